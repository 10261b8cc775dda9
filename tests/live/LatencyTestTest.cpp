// The latency test on a microphone path with 40 ms the sound server does
// not report: the speakers' monitor goes through a 40 ms loopback into a
// second null sink, whose monitor is remapped as the microphone. Takes land
// late before the test and in time after it; a muted microphone makes the
// test refuse and change nothing.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTest>
#include <algorithm>

#include "audio/TAudioRecord.h"
#include "base/Global.h"
#include "platform/PulseLiveInput.h"
#include "platform/PulseSoundSources.h"
#include "platform/PulseVoiceMonitor.h"
#include "tests/support/ClickTrack.h"
#include "tests/support/LoopbackMicrophone.h"
#include "tests/support/RecordedLiveView.h"
#include "tests/support/RecordedMessages.h"
#include "tests/support/RecordedView.h"
#include "tests/support/SessionSound.h"
#include "tests/support/TempDir.h"
#include "tests/support/VoiceSink.h"
#include "tests/support/WavFiles.h"
#include "workflow/LatencyTest.h"

namespace {

constexpr char kLateMic[] = "tavimo_late_mic";

// The late microphone as the default source, the speakers kept to a sound
// card's pace by a silent stream asking for 20 ms; all undone at the end.
class LateMicrophone {
public:
    LateMicrophone() {
        PactlSucceeds({"get-default-source"}, &defaultSource_);
        modules_ << LoadTestModule("module-null-sink", {"sink_name=tavimo_late"});
        modules_ << LoadTestModule("module-loopback",
                                   {"source=tavimo_speakers.monitor", "sink=tavimo_late",
                                    "latency_msec=40", "source_dont_move=true",
                                    "sink_dont_move=true"});
        modules_ << LoadTestModule("module-remap-source",
                                   {"master=tavimo_late.monitor", QStringLiteral("source_name=") + kLateMic});
        ready_ = !modules_.contains(QString()) && PactlSucceeds({"set-default-source", kLateMic});
        pacer_.start("pacat", {"--playback", "--latency-msec=20", "--device=tavimo_speakers",
                               "/dev/zero"});
        QTest::qWait(2500);
    }
    ~LateMicrophone() {
        pacer_.kill();
        pacer_.waitForFinished(5000);
        for (auto m = modules_.rbegin(); m != modules_.rend(); ++m) {
            if (!m->isEmpty()) PactlSucceeds({"unload-module", *m});
        }
        PactlSucceeds({"set-default-source", defaultSource_.trimmed()});
    }
    bool ready() const { return ready_; }

private:
    QStringList modules_;
    QString defaultSource_;
    QProcess pacer_;
    bool ready_ = false;
};

struct Rig {
    TempDir dir;
    RecordedView window;
    RecordedLiveView view;
    Session session{window};
    std::shared_ptr<platform::PulseServer> server = std::make_shared<platform::PulseServer>();
    // The take's streams as the program makes them: PipeWire's own there.
    SessionSound sound;
    TAudioRecord recorder{sound.input()};
    const std::unique_ptr<platform::WavPlayer> playerOwner = sound.player();
    platform::WavPlayer& player = *playerOwner;
    platform::PulseSoundSources sources{server};
    platform::PulseLiveInput liveInput{server};
    platform::PulseVoiceMonitor monitor{server};
    LatencyCorrections corrections{dir.path("config/latency.ini")};
    MicrophoneChoice microphones{session, view, sources, nullptr, nullptr};
    LiveAids aids{session, view, liveInput, monitor, nullptr};
    LatencyTest test{session, view, recorder, player, microphones, aids, corrections};

    Rig() {
        SetWorkFolders(dir.path("tavimo"));
        QDir().mkpath(TempFolder());
        aids.UseMicrophones(&microphones);
        microphones.Start();
    }

    // How late the voice of a take over clicks lands (median, ms).
    double TakeLandsLateMs() {
        const std::vector<int64_t> clicks = IrregularClicks(3.0);
        WriteClickTrack(dir.path("clicks.wav"), 1, 3.0, clicks);
        player.setFileName(dir.path("clicks.wav"));
        EXPECT_TRUE(Told(player.open()));
        EXPECT_TRUE(Told(player.play()));
        recorder.SetCaptureCorrection(test.ForTake().correction);
        EXPECT_TRUE(Told(recorder.Start(dir.file("record.wav"), 1, 44100, 16, &player)));
        QTest::qWait(3500);
        Told(recorder.Stop());
        player.close();
        std::vector<int64_t> offsets =
            ClickOffsets(FindClicks(ReadWavFile(dir.path("record.wav")).samples), clicks);
        if (offsets.empty()) return 1e9;
        std::sort(offsets.begin(), offsets.end());
        return 1000.0 * double(offsets[offsets.size() / 2]) / kClickRate;
    }

    void RunTest() {
        test.Run();
        EXPECT_TRUE(test.running()) << view.latencyNote.toStdString();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !test.running(); }, 15000));
    }
};

}  // namespace

TEST(LatencyTestOnServer, MeasuresTheUnreportedDelayAndLaterTakesLandInTime) {
    RecordedMessages shown;
    LateMicrophone late;
    ASSERT_TRUE(late.ready());
    Rig rig;
    EXPECT_EQ(kLateMic, rig.microphones.SourceName());
    EXPECT_NEAR(40, rig.TakeLandsLateMs(), 10);

    rig.RunTest();
    ASSERT_TRUE(rig.view.correctionMs.has_value()) << rig.view.latencyNote.toStdString();
    EXPECT_NEAR(40, *rig.view.correctionMs, 8);
    EXPECT_NEAR(0, rig.TakeLandsLateMs(), 5);
    // Kept for the pair, and cleared on request.
    EXPECT_TRUE(rig.corrections.forPair("tavimo_speakers", kLateMic).has_value());

    // A muted microphone hears no sweep: refused, the correction stays.
    const std::optional<int> kept = rig.view.correctionMs;
    ASSERT_TRUE(PactlSucceeds({"set-source-mute", kLateMic, "1"}));
    rig.RunTest();
    PactlSucceeds({"set-source-mute", kLateMic, "0"});
    EXPECT_EQ(kept, rig.view.correctionMs);
    EXPECT_TRUE(rig.view.latencyNote.startsWith(QStringLiteral("没有听到测试音")))
        << rig.view.latencyNote.toStdString();

    rig.test.ClearCorrection();
    EXPECT_FALSE(rig.view.correctionMs.has_value());
    EXPECT_TRUE(shown.texts().isEmpty());
}
