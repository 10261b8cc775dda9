// Benchmark driver for the decoder libraries, ostrel.so and pellin.so.
//   bench_decoder signal SECONDS     raw 16-bit little-endian stereo 44100 Hz
//                                    PCM of a music-like signal, to stdout
//   bench_decoder decode LIB EXPORT SRC DST
//                                    loads LIB as the program does, calls its
//                                    EXPORT (Ostrel or Pellin) as
//                                    EXPORT(SRC, DST) once and prints
//                                    "result R seconds S baseline_kib B peak_kib P"
// The peak is the resident set's high-water mark during the call, measured
// from a reset mark where the kernel allows it (else from the process start).
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kSampleRate = 44100;

// A slowly changing chord of harmonic notes with a little noise, different
// in the two channels, so that the encoder spends its bits as on music.
int WriteSignal(double seconds) {
    const auto frames = static_cast<int64_t>(seconds * kSampleRate);
    constexpr int kChunkFrames = 4096;
    std::vector<int16_t> chunk(kChunkFrames * 2);
    const double notes[] = {220.0, 277.18, 329.63, 392.0, 246.94, 293.66, 349.23, 440.0};
    uint32_t noise = 12345;
    double phase[4][2] = {};
    for (int64_t start = 0; start < frames; start += kChunkFrames) {
        const int n = static_cast<int>(std::min<int64_t>(kChunkFrames, frames - start));
        for (int i = 0; i < n; ++i) {
            const double t = static_cast<double>(start + i) / kSampleRate;
            const int beat = static_cast<int>(t * 2);  // a new chord every half second
            const double envelope = 0.6 + 0.4 * std::exp(-4.0 * (t * 2 - beat));
            for (int c = 0; c < 2; ++c) {
                double v = 0;
                for (int k = 0; k < 4; ++k) {
                    const double f = notes[(beat + k * 3 + c) % 8] * (k == 3 ? 2 : 1);
                    phase[k][c] += 2 * std::numbers::pi * f / kSampleRate;
                    v += std::sin(phase[k][c]) + 0.3 * std::sin(3 * phase[k][c]);
                }
                noise = noise * 1664525u + 1013904223u;
                v = v * envelope * 0.18 +
                    (static_cast<double>(noise >> 8) / (1 << 24) - 0.5) * 0.02;
                chunk[2 * i + c] =
                    static_cast<int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32000));
            }
        }
        if (std::fwrite(chunk.data(), 4, n, stdout) != static_cast<size_t>(n)) return 1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

// A value in kB from /proc/self/status ("VmHWM", "VmRSS"), or -1.
long StatusKib(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t length = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':') {
            return std::strtol(line.c_str() + length + 1, nullptr, 10);
        }
    }
    return -1;
}

// Starts the high-water mark again from the present resident set.
void ResetPeak() {
    if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

struct LibraryCloser {
    void operator()(void* handle) const { dlclose(handle); }
};

// Both libraries export this shape, and both return 0 for a decoded file.
using DecoderFunction = int (*)(const char* source, const char* destination);
constexpr int kDecoded = 0;

int Decode(const char* library, const char* exportName, const char* source,
           const char* destination) {
    std::unique_ptr<void, LibraryCloser> handle(dlopen(library, RTLD_NOW | RTLD_LOCAL));
    if (!handle) {
        std::fprintf(stderr, "bench_decoder: %s\n", dlerror());
        return 1;
    }
    auto decode = reinterpret_cast<DecoderFunction>(dlsym(handle.get(), exportName));
    if (!decode) {
        std::fprintf(stderr, "bench_decoder: no %s in %s\n", exportName, library);
        return 1;
    }
    ResetPeak();
    const long baselineKib = StatusKib("VmRSS");
    const auto start = std::chrono::steady_clock::now();
    const int result = decode(source, destination);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const long peakKib = StatusKib("VmHWM");
    std::printf("result %d seconds %.4f baseline_kib %ld peak_kib %ld\n", result, elapsed.count(),
                baselineKib, peakKib);
    return result == kDecoded ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "signal") == 0) return WriteSignal(std::atof(argv[2]));
    if (argc == 6 && std::strcmp(argv[1], "decode") == 0)
        return Decode(argv[2], argv[3], argv[4], argv[5]);
    std::fprintf(stderr, "usage: %s signal SECONDS | decode LIB EXPORT SRC DST\n", argv[0]);
    return 2;
}
