// Driver of the key change benchmark.
//   bench_key_shift song FILE SECONDS        writes a stereo 44.1 kHz song
//   bench_key_shift shift IN OUT SEMITONES   one key change
//   bench_key_shift memory IN OUT SEMITONES  one key change; prints the peak
//                                            resident memory above the
//                                            baseline in KiB
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "effects/KeyShift.h"
#include "effects/PendingWavFile.h"

namespace {

constexpr int kRate = 44100;

// Something like an accompaniment for Rubber Band to work on: a chord that
// changes every two seconds, its notes with overtones, and a noise hit on
// every beat, a little different in each channel.
bool WriteSong(const std::string& path, int seconds) {
    Result<effects::PendingWavFile> file = effects::PendingWavFile::create(path, {2, kRate});
    if (!file) return false;
    const double chords[4][3] = {
        {220.0, 277.2, 329.6}, {196.0, 246.9, 293.7}, {174.6, 220.0, 261.6}, {196.0, 246.9, 311.1}};
    uint32_t noise = 12345;
    std::vector<int16_t> block(2 * kRate);
    for (int second = 0; second < seconds; ++second) {
        for (int i = 0; i < kRate; ++i) {
            const double t = second + double(i) / kRate;
            const double* chord = chords[(second / 2) % 4];
            double tone = 0;
            for (int n = 0; n < 3; ++n)
                for (int h = 1; h <= 4; ++h)
                    tone += std::sin(2 * std::numbers::pi * chord[n] * h * t) / (h * 12.0);
            const double sinceBeat = std::fmod(t, 0.5);
            noise = noise * 1664525u + 1013904223u;
            const double hit = (double(noise >> 8) / (1 << 24) - 0.5) * std::exp(-sinceBeat * 30);
            block[2 * i] = static_cast<int16_t>(std::lround(9000 * (tone + 0.8 * hit)));
            block[2 * i + 1] = static_cast<int16_t>(std::lround(9000 * (0.9 * tone + hit)));
        }
        if (!file->append(block)) return false;
    }
    return file->commit().ok();
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

bool Shift(const char* in, const char* out, const char* semitones) {
    const Status shifted = effects::ShiftKey(in, out, std::atoi(semitones));
    if (!shifted) std::fprintf(stderr, "%s\n", shifted.failure().text.toUtf8().constData());
    return shifted.ok();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc >= 2 ? argv[1] : "";
    if (mode == "song" && argc == 4) return WriteSong(argv[2], std::atoi(argv[3])) ? 0 : 1;
    if (mode == "shift" && argc == 5) return Shift(argv[2], argv[3], argv[4]) ? 0 : 1;
    if (mode == "memory" && argc == 5) {
        // Start the peak count afresh from what the process holds now.
        std::ofstream("/proc/self/clear_refs") << "5";
        const long baselineKb = StatusKb("VmRSS");
        if (!Shift(argv[2], argv[3], argv[4])) return 1;
        const long peakKb = StatusKb("VmHWM");
        if (baselineKb < 0 || peakKb < 0) return 1;
        std::printf("rss-above-baseline-kib %ld\n", peakKb - baselineKb);
        return 0;
    }
    std::fprintf(stderr,
                 "usage: %s song FILE SECONDS | shift IN OUT SEMITONES | memory IN OUT SEMITONES\n",
                 argv[0]);
    return 2;
}
