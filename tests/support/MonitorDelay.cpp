#include "tests/support/MonitorDelay.h"

#include <QTest>

#include "audio/TAudioRecord.h"
#include "platform/PulseAudioInput.h"
#include "tests/support/ClickTrack.h"
#include "tests/support/LoopbackMicrophone.h"
#include "tests/support/VoiceSink.h"
#include "tests/support/WavFiles.h"

namespace {

using Clock = platform::SoundClock;

// A recorder of one source, its file's sample 0 at `startedAt`.
struct Capture {
    TAudioRecord recorder;
    Clock::time_point startedAt;
    Capture(std::shared_ptr<platform::PulseServer> server, const std::string& source)
        : recorder(std::make_unique<platform::PulseAudioInput>(server)) {
        recorder.SetDevice(source);
    }
    bool start(const QString& path) {
        const bool ok = recorder.Start(path.toStdString(), 1, 44100, 16).ok();
        startedAt = Clock::now();
        return ok;
    }
};

}  // namespace

MonitorDelay MeasureMonitorDelay(VoiceSink& voice, const QString& dir) {
    MonitorDelay m;
    LoopbackMicrophone speakers;
    if (!speakers.ready() || !voice.ready()) {
        m.trouble = QStringLiteral("the loopback devices could not be made");
        return m;
    }
    const std::vector<int64_t> clicks = IrregularClicks(3.0, 0.5);
    m.clicksPlayed = clicks.size();
    WriteClickTrack(dir + "/clicks.wav", 1, 3.0, clicks);
    auto server = std::make_shared<platform::PulseServer>();
    Capture take(server, VoiceSink::kMicrophone);
    Capture heard(server, LoopbackMicrophone::kName);
    if (!take.start(dir + "/take.wav") || !heard.start(dir + "/heard.wav") ||
        !voice.play(dir + "/clicks.wav")) {
        m.trouble = QStringLiteral("the captures or the clicks did not start");
        return m;
    }
    voice.waitPlayed();
    QTest::qWait(300);
    (void)take.recorder.Stop();
    (void)heard.recorder.Stop();

    // Both files begin where their own capture did: on one clock, a click's
    // moment at the speakers less its moment at the microphone is the delay.
    const std::vector<int64_t> inTake = FindClicks(ReadWavFile(dir + "/take.wav").samples);
    const std::vector<int64_t> atSpeakers = FindClicks(ReadWavFile(dir + "/heard.wav").samples);
    m.clicksInTake = inTake.size();
    m.clicksAtSpeakers = atSpeakers.size();
    if (inTake.size() != clicks.size() || atSpeakers.size() != clicks.size()) {
        m.trouble = QStringLiteral("clicks missing or doubled");
        return m;
    }
    const double apartMs =
        std::chrono::duration<double, std::milli>(heard.startedAt - take.startedAt).count();
    for (size_t i = 0; i < clicks.size(); ++i) {
        m.delaysMs.push_back(1000.0 * double(atSpeakers[i] - inTake[i]) / kClickRate + apartMs);
    }
    m.ok = true;
    return m;
}
