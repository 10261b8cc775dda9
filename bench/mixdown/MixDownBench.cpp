// Driver of the mixdown benchmark.
//   bench_mixdown generate FOLDER SECONDS  writes bgsound.wav (stereo) and
//                                          record.wav (mono), 44100 Hz
//   bench_mixdown mix FOLDER               one mixdown into FOLDER/mix.wav
//   bench_mixdown studio FOLDER            one mixdown with the voice at 120 %,
//                                          the accompaniment at 80 %, the KTV
//                                          reverb and even loudness
//   bench_mixdown memory FOLDER            one mixdown; prints the peak
//                                          resident memory above the baseline
//                                          in MiB
#include <QString>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "audio/MixDown.h"
#include "audio/WavWriter.h"

namespace {

constexpr int kSampleRate = 44100;

bool WriteTone(const std::string& path, int channels, int seconds, double frequency) {
    WavHeader format;
    InitWavHeader(format, channels, kSampleRate, 16);
    WavWriter writer;
    if (!writer.create(path, format)) return false;
    std::vector<int16_t> block(static_cast<size_t>(kSampleRate) * channels);
    for (int second = 0; second < seconds; ++second) {
        for (int i = 0; i < kSampleRate; ++i) {
            const double t = (static_cast<double>(second) * kSampleRate + i) / kSampleRate;
            for (int c = 0; c < channels; ++c)
                block[static_cast<size_t>(i) * channels + c] = static_cast<int16_t>(
                    std::lround(14000 * std::sin(2 * std::numbers::pi * frequency * (c + 1) * t)));
        }
        if (!writer.append(block.data(), block.size() * 2)) return false;
    }
    return writer.finish();
}

// Resident kilobytes from /proc/self/status ("VmRSS" now, "VmHWM" peak).
long StatusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t length = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':')
            return std::atol(line.c_str() + length + 1);
    return -1;
}

// A failed mixdown says why on stderr, so it is never timed as a success.
bool Mix(const QString& folder, const MixSettings& settings = {}) {
    WavHeader format;
    InitWavHeader(format, 1, kSampleRate, 16);
    const Status mixed = MixDown(folder, format, settings);
    if (!mixed) std::fprintf(stderr, "%s\n", mixed.failure().text.toUtf8().constData());
    return mixed.ok();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc >= 3 ? argv[1] : "";
    const QString folder = argc >= 3 ? QString::fromLocal8Bit(argv[2]) : QString();
    const std::string prefix = argc >= 3 ? std::string(argv[2]) + "/" : std::string();

    if (mode == "generate" && argc == 4) {
        const int seconds = std::atoi(argv[3]);
        return WriteTone(prefix + "bgsound.wav", 2, seconds, 220) &&
                       WriteTone(prefix + "record.wav", 1, seconds, 330)
                   ? 0
                   : 1;
    }
    if (mode == "mix" && argc == 3) return Mix(folder) ? 0 : 1;
    if (mode == "studio" && argc == 3) {
        MixSettings studio;
        studio.voicePercent = 120;
        studio.accompanimentPercent = 80;
        studio.reverb = effects::ReverbPreset::Ktv;
        studio.evenLoudness = true;
        return Mix(folder, studio) ? 0 : 1;
    }
    if (mode == "memory" && argc == 3) {
        // Start the peak count afresh from what the process holds now.
        std::ofstream("/proc/self/clear_refs") << "5";
        const long baselineKb = StatusKb("VmRSS");
        if (!Mix(folder)) return 1;
        const long peakKb = StatusKb("VmHWM");
        if (baselineKb < 0 || peakKb < 0) return 1;
        std::printf("%.2f\n", (peakKb - baselineKb) / 1024.0);
        return 0;
    }
    std::fprintf(stderr, "usage: %s generate FOLDER SECONDS | mix FOLDER | studio FOLDER | memory FOLDER\n",
                 argv[0]);
    return 2;
}
