// A process that writes a WAV file through WavWriter and then waits to be
// killed, as a program killed during a take would be.
//
// Usage: wav_writer_child PATH CHANNELS RATE BLOCK_BYTES TOTAL_BYTES
// Appends TOTAL_BYTES of a tone in blocks of BLOCK_BYTES (the last one
// shorter), prints "written" and waits; it never finishes the file.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

#include "audio/WavWriter.h"

int main(int argc, char** argv) {
    if (argc != 6) return 2;
    const int channels = std::atoi(argv[2]);
    const int rate = std::atoi(argv[3]);
    const size_t blockBytes = std::strtoull(argv[4], nullptr, 10);
    const size_t totalBytes = std::strtoull(argv[5], nullptr, 10);
    if (channels <= 0 || rate <= 0 || blockBytes < 2) return 2;

    std::vector<int16_t> tone(totalBytes / 2 + 1);
    for (size_t i = 0; i < tone.size(); ++i) {
        const size_t frame = i / static_cast<size_t>(channels);
        tone[i] = static_cast<int16_t>(8000 * std::sin(2 * std::numbers::pi * 440 * frame / rate));
    }
    WavHeader format;
    InitWavHeader(format, channels, rate, 16);
    WavWriter writer;
    if (!writer.create(argv[1], format)) return 3;
    const char* bytes = reinterpret_cast<const char*>(tone.data());
    for (size_t at = 0; at < totalBytes; at += blockBytes) {
        const size_t count = std::min(blockBytes, totalBytes - at);
        if (!writer.append(bytes + at, count)) return 4;
    }
    std::puts("written");
    std::fflush(stdout);
    // Bounded: a test that forgets this process does not leave it for ever.
    for (int i = 0; i < 600; ++i) sleep(1);
    return 5;
}
