// bench_mp3_export: what bench/export/run times and measures the MP3 export
// with.
//   bench_mp3_export wav FILE SECONDS
//       writes a stereo 44100 Hz 16-bit WAV work file of a music-like signal
//   bench_mp3_export export LIBRARY_FOLDER SOURCE DESTINATION
//       runs ConvertToMp3 as the export window does (events processed after
//       each chunk) and prints "rss-above-baseline-kib N": the peak resident
//       memory of the run above what the process held before it
#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "audio/Mp3Export.h"
#include "audio/WavHeader.h"
#include "audio/WavWriter.h"

namespace {

constexpr int kRateHz = 44100;

// Notes with overtones, a different melody in each channel, over a quiet
// noise floor: enough going on that the encoder works as it would on songs.
bool WriteSignal(const char* path, int seconds) {
    WavHeader format;
    InitWavHeader(format, 2, kRateHz, 16);
    WavWriter writer;
    if (!writer.create(path, format)) return false;
    const double notes[] = {220.0, 246.9, 261.6, 293.7, 329.6, 349.2, 392.0, 440.0};
    const int64_t frames = static_cast<int64_t>(seconds) * kRateHz;
    const int64_t noteFrames = kRateHz / 4;
    std::vector<int16_t> block;
    uint32_t noise = 12345;
    for (int64_t i = 0; i < frames; ++i) {
        const int64_t note = i / noteFrames;
        const double t = static_cast<double>(i) / kRateHz;
        const double envelope = std::exp(-3.0 * static_cast<double>(i % noteFrames) / noteFrames);
        double channel[2];
        for (int c = 0; c < 2; ++c) {
            const double f = notes[(note * (c == 0 ? 3 : 5) + c) % 8] * (c == 0 ? 1.0 : 1.5);
            double v = 0;
            for (int h = 1; h <= 4; ++h) v += std::sin(2 * std::numbers::pi * f * h * t) / h;
            noise = noise * 1664525u + 1013904223u;
            channel[c] = 7000.0 * envelope * v + static_cast<double>(noise >> 22) - 512.0;
        }
        block.push_back(static_cast<int16_t>(channel[0]));
        block.push_back(static_cast<int16_t>(channel[1]));
        if (block.size() >= 65536 || i + 1 == frames) {
            if (!writer.append(block.data(), block.size() * 2)) return false;
            block.clear();
        }
    }
    return writer.finish();
}

long StatusKib(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t length = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, length, field) == 0) return std::atol(line.c_str() + length + 1);
    }
    return -1;
}

class EventsProgress final : public Mp3ExportProgress {
public:
    void setMaximum(int64_t) override {}
    void setPosition(int64_t) override {}
    void setPercentText(const QString& text) override { percent_ = text; }
    void processPendingEvents() override { QCoreApplication::processEvents(); }

private:
    QString percent_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "wav") == 0) {
        return WriteSignal(argv[2], std::atoi(argv[3])) ? 0 : 1;
    }
    if (argc == 5 && std::strcmp(argv[1], "export") == 0) {
        QCoreApplication app(argc, argv);
        EventsProgress progress;
        // Start the peak count afresh ("5" to clear_refs resets VmHWM).
        std::ofstream("/proc/self/clear_refs") << "5";
        const long baselineKib = StatusKib("VmRSS:");
        const Status exported = ConvertToMp3(QFile::decodeName(argv[2]), QFile::decodeName(argv[3]),
                                             QFile::decodeName(argv[4]), progress);
        if (!exported) {
            std::fprintf(stderr, "message: %s\n", exported.failure().text.toUtf8().constData());
        }
        const long peakKib = StatusKib("VmHWM:");
        std::printf("rss-above-baseline-kib %ld\n", peakKib - baselineKib);
        return exported ? 0 : 1;
    }
    std::fprintf(stderr, "usage: %s wav FILE SECONDS | export FOLDER SOURCE DESTINATION\n",
                 argv[0]);
    return 2;
}
