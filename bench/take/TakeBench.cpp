// Driver of the take benchmarks: ten takes on the real main window over an
// accompaniment of irregular clicks, on a sound server whose microphone
// hears its speakers (bench/take/run sets it up). For each take: where the
// clicks land in record.wav against bgsound.wav, how much of the time from
// the accompaniment's first sample to the second press is missing at the
// end, and how long after the first press the accompaniment was heard.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/TFormMain.h"
#include "audio/WavWriter.h"
#include "controls/TCGauge.h"
#include "controls/TEzRgnBtn.h"
#include "workflow/UserMessages.h"
#include "platform/WavPlayer.h"

namespace {

using Clock = platform::SoundClock;
constexpr int kRate = 44100;
constexpr double kSongSeconds = 10;
constexpr int kTakes = 10;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

class ConsoleMessages final : public UserMessages {
public:
    void messageBox(const QString& text, const QString&) override { say(text); }
    void simpleMessage(const QString& text) override { say(text); }
    void errorBox(const QString& text) override { say(text); }
    int shown = 0;

private:
    void say(const QString& text) {
        ++shown;
        std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
    }
};

std::vector<int64_t> Clicks() {
    static constexpr int kGapsMs[] = {310, 470, 200, 560, 260, 390, 580, 230, 440, 350, 520, 280};
    std::vector<int64_t> clicks;
    double at = 0.25;
    for (size_t i = 0; at < kSongSeconds - 0.05; ++i) {
        clicks.push_back(static_cast<int64_t>(at * kRate));
        at += kGapsMs[i % std::size(kGapsMs)] / 1000.0;
    }
    return clicks;
}

bool WriteClicks(const std::string& path, const std::vector<int64_t>& clicks) {
    std::vector<int16_t> samples(static_cast<size_t>(kSongSeconds * kRate) * 2, 0);
    for (const int64_t click : clicks) {
        for (int64_t i = 0; i < 88 && static_cast<size_t>(click + i) * 2 + 1 < samples.size();
             ++i) {
            samples[static_cast<size_t>(click + i) * 2] =
                samples[static_cast<size_t>(click + i) * 2 + 1] = i % 2 == 0 ? 20000 : -20000;
        }
    }
    WavHeader format;
    InitWavHeader(format, 2, kRate, 16);
    WavWriter writer;
    return writer.create(path, format) && writer.append(samples.data(), samples.size() * 2) &&
           writer.finish();
}

std::vector<int16_t> ReadVoice(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 44) return {};
    std::vector<int16_t> samples(static_cast<size_t>(bytes.size() - 44) / 2);
    std::memcpy(samples.data(), bytes.constData() + 44, samples.size() * 2);
    return samples;
}

// The clicks of `voice` against the nearest of the accompaniment: the worst
// distance and how far the nearest and the farthest lie apart (the drift
// inside the take), in frames; worst is -1 when there are too few clicks.
struct ClickOffsets {
    int64_t worst = -1;
    int64_t spread = 0;
};

ClickOffsets Offsets(const std::vector<int16_t>& voice, const std::vector<int64_t>& clicks) {
    int64_t worst = -1, low = INT64_MAX, high = INT64_MIN;
    int found = 0;
    for (size_t i = 0; i < voice.size(); ++i) {
        if (std::abs(voice[i]) < 8000) continue;
        int64_t nearest = INT64_MAX;
        for (const int64_t click : clicks) {
            if (std::abs(static_cast<int64_t>(i) - click) < std::abs(nearest))
                nearest = static_cast<int64_t>(i) - click;
        }
        worst = std::max(worst, std::abs(nearest));
        low = std::min(low, nearest);
        high = std::max(high, nearest);
        ++found;
        i += kRate / 50;
    }
    if (found < 2) return {};
    return {worst, high - low};
}

// The lines name the sound server when bench/take/run says which
// (TAVIMO_BENCH_SERVER, "" for PulseAudio).
void Line(const char* name, double ours, double limit) {
    const QByteArray server = qgetenv("TAVIMO_BENCH_SERVER");
    std::printf("bench %s%s%s: ours %.2f ms, limit %.0f ms, ratio %.3f (target 1)\n", name,
                server.isEmpty() ? "" : "-", server.constData(), ours, limit, ours / limit);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ConsoleMessages messages;
    InstallMessages(&messages);
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("temp"));
    const std::vector<int64_t> clicks = Clicks();
    if (!WriteClicks(dir.filePath("temp/bgsound.wav").toStdString(), clicks)) return 1;

    double worstAlignmentMs = 0, worstDriftMs = 0, worstLossMs = 0, worstStartMs = 0, firstStartMs = 0;
    {
        TFormMain window(dir.filePath("tavimo"));
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) return 1;
        window.MusicFile = dir.filePath("Clicks.mp3");
        window.ProgressBar->SetMaxValue(static_cast<int>(kSongSeconds));
        window.CurrentFormat.channels = 2;
        for (int take = 0; take < kTakes; ++take) {
            const Clock::time_point pressed = Clock::now();
            window.EzRgnBtnRecord->Click();
            if (!QTest::qWaitFor(
                    [&] { return window.MediaPlayer->firstSampleHeardAt().has_value(); }, 10000)) {
                std::fprintf(stderr, "take %d: the accompaniment was not heard\n", take + 1);
                return 1;
            }
            const Clock::time_point heard = *window.MediaPlayer->firstSampleHeardAt();
            QTest::qWait(1500 + 100 * take);
            const Clock::time_point stopped = Clock::now();
            window.EzRgnBtnRecord->Click();

            const std::vector<int16_t> voice = ReadVoice(dir.filePath("temp/record.wav"));
            const ClickOffsets offsets = Offsets(voice, clicks);
            const int64_t offset = offsets.worst;
            if (offset < 0) {
                std::fprintf(stderr, "take %d: too few clicks in record.wav\n", take + 1);
                return 1;
            }
            const double alignmentMs = 1000.0 * static_cast<double>(offset) / kRate;
            const double driftMs = 1000.0 * static_cast<double>(offsets.spread) / kRate;
            const double missingMs =
                Ms(stopped - heard) - 1000.0 * static_cast<double>(voice.size()) / kRate;
            const double startMs = Ms(heard - pressed);
            std::fprintf(stderr,
                         "take %d: worst click %.2f ms off, drift %.2f ms, %.2f ms missing at "
                         "the end, accompaniment heard %.2f ms after the press\n",
                         take + 1, alignmentMs, driftMs, missingMs, startMs);
            worstAlignmentMs = std::max(worstAlignmentMs, alignmentMs);
            worstDriftMs = std::max(worstDriftMs, driftMs);
            worstLossMs = std::max(worstLossMs, missingMs);
            if (take == 0) {
                firstStartMs = startMs;
            } else {
                worstStartMs = std::max(worstStartMs, startMs);
            }
        }
    }
    InstallMessages(nullptr);
    if (messages.shown > 0) return 1;
    Line("take-alignment", worstAlignmentMs, 5);
    Line("take-drift", worstDriftMs, 1);
    Line("take-loss-at-stop", worstLossMs, 30);
    Line("take-start-latency", worstStartMs, 100);
    // The first take of a run apart: the one that speakers which rendered
    // far ahead while idle would hold back (bench/take/run keeps them paced).
    Line("take-start-latency-first", firstStartMs, 100);
    return 0;
}
