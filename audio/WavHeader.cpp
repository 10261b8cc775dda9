#include "audio/WavHeader.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

void InitWavHeader(WavHeader& header, int channels, int sampleRate, int bitsPerSample) {
    std::memcpy(header.chunkId, "RIFF", 4);
    header.riffSize = 36;
    std::memcpy(header.formType, "WAVE", 4);
    std::memcpy(header.formatChunkId, "fmt ", 4);
    header.formatChunkSize = 16;
    header.formatTag = 1;
    header.channels = static_cast<uint16_t>(channels);
    header.sampleRate = static_cast<uint32_t>(sampleRate);
    // 32-bit arithmetic as the file format has it: product first, then / 8.
    header.byteRate = static_cast<uint32_t>(
        static_cast<int32_t>(static_cast<uint32_t>(channels) * static_cast<uint32_t>(sampleRate) *
                             static_cast<uint32_t>(bitsPerSample)) /
        8);
    // A hostile header's numbers (65535 x 65535) overflow an int.
    header.blockAlign = static_cast<uint16_t>(int64_t{channels} * bitsPerSample / 8);
    header.bitsPerSample = static_cast<uint16_t>(bitsPerSample);
    std::memcpy(header.dataChunkId, "data", 4);
    header.dataSize = 0;
}

int64_t WavBytesPerSecond(int channels, int sampleRate, int bitsPerSample) {
    if (channels <= 0 || sampleRate <= 0 || bitsPerSample <= 0) return 0;
    return int64_t{channels} * sampleRate * bitsPerSample / 8;
}

int WavDurationSeconds(int64_t dataBytes, int channels, int sampleRate, int bitsPerSample) {
    const int64_t perSecond = WavBytesPerSecond(channels, sampleRate, bitsPerSample);
    if (perSecond <= 0 || dataBytes <= 0) return 0;
    const int64_t seconds = (dataBytes + perSecond - 1) / perSecond;
    // A file of a few bytes per second can last longer than an int counts.
    return seconds > INT_MAX ? INT_MAX : static_cast<int>(seconds);
}

int64_t WavDataLength(int64_t fileBytes) {
    return fileBytes > kWavHeaderBytes ? fileBytes - kWavHeaderBytes : 0;
}

int64_t ReadWavHeader(const char* path, WavHeader& header) {
    std::unique_ptr<FILE, decltype(&std::fclose)> file(std::fopen(path, "rb"), &std::fclose);
    if (!file) return -1;
    unsigned char bytes[sizeof(WavHeader)];
    const size_t got = std::fread(bytes, 1, sizeof bytes, file.get());
    std::memcpy(&header, bytes, got);
    if (std::fseek(file.get(), 0, SEEK_END) != 0) return static_cast<int64_t>(got);
    const long size = std::ftell(file.get());
    return size < 0 ? static_cast<int64_t>(got) : static_cast<int64_t>(size);
}
