#include "effects/WavFormat.h"

#include <cstring>

#include "effects/FileFailures.h"

namespace effects {
namespace {

uint16_t Read16(const unsigned char* bytes) { return uint16_t(bytes[0] | bytes[1] << 8); }

uint32_t Read32(const unsigned char* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
           uint32_t(bytes[3]) << 24;
}

void Write16(unsigned char* into, uint32_t value) {
    into[0] = static_cast<unsigned char>(value);
    into[1] = static_cast<unsigned char>(value >> 8);
}

void Write32(unsigned char* into, uint32_t value) {
    Write16(into, value & 0xFFFF);
    Write16(into + 2, value >> 16);
}

}  // namespace

Result<WavFormat> ParseWavHeader(const WavHeaderBytes& header, const std::string& path) {
    const unsigned char* h = header.data();
    if (std::memcmp(h, "RIFF", 4) != 0 || std::memcmp(h + 8, "WAVE", 4) != 0)
        return InvalidFile(path, "不是 WAV 文件");
    if (Read16(h + 20) != 1 || Read16(h + 34) != 16)
        return InvalidFile(path, "不是 16 位 PCM 声音");
    WavFormat format;
    format.channels = Read16(h + 22);
    if (format.channels != 1 && format.channels != 2) return InvalidFile(path, "声道数不是 1 或 2");
    const uint32_t rate = Read32(h + 24);
    if (rate < kMinSampleRate || rate > kMaxSampleRate)
        return InvalidFile(path, "采样率不在 8000–48000 Hz 之内");
    format.sampleRate = static_cast<int>(rate);
    return format;
}

WavHeaderBytes MakeWavHeader(const WavFormat& format, int64_t frames) {
    constexpr int64_t kLargestData = int64_t{0xFFFFFFFF} - 36;
    const int64_t bytes = frames * format.channels * 2;
    const uint32_t dataBytes = static_cast<uint32_t>(bytes > kLargestData ? kLargestData : bytes);
    WavHeaderBytes header{};
    unsigned char* h = header.data();
    std::memcpy(h, "RIFF", 4);
    Write32(h + 4, dataBytes + 36);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    Write32(h + 16, 16);
    Write16(h + 20, 1);
    Write16(h + 22, static_cast<uint32_t>(format.channels));
    Write32(h + 24, static_cast<uint32_t>(format.sampleRate));
    Write32(h + 28, static_cast<uint32_t>(format.sampleRate * format.channels * 2));
    Write16(h + 32, static_cast<uint32_t>(format.channels * 2));
    Write16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    Write32(h + 40, dataBytes);
    return header;
}

}  // namespace effects
