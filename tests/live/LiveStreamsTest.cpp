// The singing aids' streams on the test sound server: hearing oneself from a
// microphone of its own to the speakers (how soon, not in the take, nothing
// left behind when killed), the level meter's readings, and the choice of
// microphone with one plugged in and out.
#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTest>
#include <algorithm>

#include "audio/LevelMeter.h"
#include "audio/TAudioRecord.h"
#include "platform/PulseAudioInput.h"
#include "platform/PulseLiveInput.h"
#include "platform/PulseSoundSources.h"
#include "platform/PulseVoiceMonitor.h"
#include "tests/support/ClickTrack.h"
#include "tests/support/FifoTone.h"
#include "tests/support/LoopbackMicrophone.h"
#include "tests/support/MonitorDelay.h"
#include "tests/support/RecordedLiveView.h"
#include "tests/support/RecordedMessages.h"
#include "tests/support/RecordedView.h"
#include "tests/support/SessionSound.h"
#include "tests/support/TempDir.h"
#include "tests/support/VoiceSink.h"
#include "tests/support/WavFiles.h"
#include "workflow/MicrophoneChoice.h"

namespace {

using Clock = platform::SoundClock;

// What the server holds of every client: streams both ways and modules.
QString ServerObjects() {
    QString all;
    for (const char* kind : {"sink-inputs", "source-outputs", "modules"}) {
        QString listed;
        PactlSucceeds({"list", "short", kind}, &listed);
        all += listed;
    }
    return all;
}

}  // namespace

TEST(VoiceMonitor, AClickAtTheMicrophoneIsHeardWithin30msAndOnlyOnceInTheTake) {
    RecordedMessages shown;
    TempDir dir;
    auto server = std::make_shared<platform::PulseServer>();
    VoiceSink voice;  // the monitor's microphone, there before it starts
    ASSERT_TRUE(voice.ready());
    platform::PulseVoiceMonitor monitor(server);
    ASSERT_TRUE(Told(monitor.start(VoiceSink::kMicrophone, 1.0)));
    MonitorDelay m = MeasureMonitorDelay(voice, dir.path());
    monitor.stop();
    // The take holds the dry voice: each click once, no copy from the speakers.
    EXPECT_EQ(m.clicksPlayed, m.clicksInTake);
    ASSERT_TRUE(m.ok) << m.trouble.toStdString();
    std::sort(m.delaysMs.begin(), m.delaysMs.end());
    EXPECT_GT(m.delaysMs.front(), 0.0);
    EXPECT_LE(m.delaysMs[m.delaysMs.size() / 2], 30.0) << "median of " << m.delaysMs.size();
    EXPECT_TRUE(shown.texts().isEmpty());
}

TEST(VoiceMonitor, AKilledProgramLeavesNoStreamOrModuleOnTheServer) {
    VoiceSink voice;
    ASSERT_TRUE(voice.ready());
    // The new devices' own streams (PipeWire links them a moment later)
    // settle first: what is compared is the server once they have.
    QString before = ServerObjects();
    for (int i = 0; i < 15; ++i) {
        QTest::qWait(200);
        const QString now = ServerObjects();
        if (now == before) break;
        before = now;
    }
    QProcess child;
    child.start(QStringLiteral(TAVIMO_MONITOR_CHILD), {VoiceSink::kMicrophone});
    ASSERT_TRUE(child.waitForReadyRead(10000)) << child.readAllStandardError().toStdString();
    EXPECT_NE(before, ServerObjects());  // it is there while it runs
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished(5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return ServerObjects() == before; }, 5000))
        << ServerObjects().toStdString();
}

TEST(LevelMeterOnServer, ReadsASineAtMinus6SilenceAtTheFloorAndFullScaleInRed) {
    TempDir dir;
    VoiceSink voice;
    ASSERT_TRUE(voice.ready());
    auto server = std::make_shared<platform::PulseServer>();
    platform::PulseLiveInput input(server);
    LevelMeter meter;
    input.setBlockHandler([&](const int16_t* s, size_t n) { meter.add(s, n); });
    ASSERT_TRUE(Told(input.start(VoiceSink::kMicrophone, 44100)));
    // An idle null sink may take a new stream in only after the two
    // seconds it rendered ahead: the level is read once the sound is there.
    const auto levelWhile = [&](const QString& file) {
        meter.reset();
        if (!file.isEmpty()) {
            EXPECT_TRUE(voice.play(file));
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return meter.read(Clock::now()).levelDb > LevelMeter::kFloorDb; }, 4000));
        }
        QTest::qWait(300);
        meter.read(Clock::now());  // the onset's reading
        QTest::qWait(300);
        LevelReading r = meter.read(Clock::now());
        if (!file.isEmpty()) voice.waitPlayed();
        return r;
    };
    EXPECT_EQ(LevelMeter::kFloorDb, levelWhile(QString()).levelDb);
    WriteWavFile(dir.path("half.wav"), 1, 44100, SineSamples(1000, 1.5, 44100, 1, 16384));
    const LevelReading half = levelWhile(dir.path("half.wav"));
    EXPECT_NEAR(-6.0, half.levelDb, 1.0);
    EXPECT_FALSE(half.clipping);
    WriteWavFile(dir.path("full.wav"), 1, 44100, SineSamples(1000, 1.5, 44100, 1, 32767));
    EXPECT_TRUE(levelWhile(dir.path("full.wav")).clipping);
}

TEST(MicrophoneChoiceOnServer, ListsMicrophonesFollowsPlugInAndFallsBackWhenOneGoes) {
    RecordedMessages shown;
    RecordedView window;
    RecordedLiveView view;
    Session session(window);
    auto server = std::make_shared<platform::PulseServer>();
    platform::PulseSoundSources sources(server);
    int changes = 0;
    MicrophoneChoice choice(session, view, sources, nullptr, [&] { ++changes; });
    choice.Start();
    // The test server's default, the sine, first; no sink's monitor.
    ASSERT_FALSE(view.microphones.isEmpty());
    EXPECT_EQ(0, view.microphoneInUse);
    for (const QString& d : view.microphones) EXPECT_FALSE(d.startsWith("Monitor of")) << d.toStdString();

    // A second microphone with a tone of its own, to plug in and pull out.
    TempDir fifoDir;
    const QString second = LoadTestModule(
        "module-pipe-source", {"source_name=tavimo_sine_b", "file=" + fifoDir.path("b.fifo"),
                               "format=s16le", "rate=44100", "channels=1"});
    ASSERT_FALSE(second.isEmpty());
    FifoTone tone(fifoDir.path("b.fifo"));
    ASSERT_TRUE(tone.ready());
    const auto listed = [&] {
        return sources.list()->microphones.size() == size_t(view.microphones.size());
    };
    EXPECT_TRUE(QTest::qWaitFor(listed, 3000)) << "plugged in, it is listed without a restart";
    const int index = static_cast<int>(sources.list()->microphones.size()) - 1;
    choice.Choose(index);
    EXPECT_EQ("tavimo_sine_b", choice.InUse());
    EXPECT_EQ("tavimo_sine_b", session.Studio.microphone);
    EXPECT_EQ(1, changes);

    // A take records the chosen one; the next breaks off when it is unplugged.
    TempDir dir;
    TAudioRecord recorder(SessionSound().input());
    QStringList brokeOff;
    recorder.setFailureHandler([&](const Failure& f) { brokeOff << f.text; });
    const auto take = [&] {
        recorder.SetDevice(choice.InUse());
        EXPECT_TRUE(Told(recorder.Start(dir.file("record.wav"), 1, 44100, 16)));
        QTest::qWait(600);
    };
    take();
    Told(recorder.Stop());
    EXPECT_NEAR(1000, DominantFrequency(ReadWavFile(dir.path("record.wav")).samples, 44100), 5);
    take();
    ASSERT_TRUE(PactlSucceeds({"unload-module", second}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !brokeOff.isEmpty(); }, 3000));
    Told(recorder.Stop());

    EXPECT_TRUE(QTest::qWaitFor([&] { return choice.InUse().empty(); }, 3000));
    EXPECT_EQ(QStringLiteral("所选话筒已不在，改用默认话筒"), view.liveNote);
    EXPECT_EQ("tavimo_sine_b", session.Studio.microphone);  // back when it is back
    take();
    Told(recorder.Stop());
    EXPECT_NEAR(440, DominantFrequency(ReadWavFile(dir.path("record.wav")).samples, 44100), 5);
}
