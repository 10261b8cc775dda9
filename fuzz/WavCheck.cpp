#include "fuzz/WavCheck.h"

#include <cstring>

#include "fuzz/FuzzCheck.h"

namespace {

uint32_t U32(const unsigned char* at) {
    uint32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

uint16_t U16(const unsigned char* at) {
    uint16_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

}  // namespace

CheckedWav CheckWholeWav(const unsigned char* h, size_t size) {
    FuzzCheck(size >= 44, "a WAV file shorter than its header");
    FuzzCheck(size - 44 <= UINT32_MAX, "more samples than a WAV header can count");
    const uint32_t dataBytes = static_cast<uint32_t>(size - 44);
    FuzzCheck(std::memcmp(h, "RIFF", 4) == 0 && std::memcmp(h + 8, "WAVEfmt ", 8) == 0 &&
                  std::memcmp(h + 36, "data", 4) == 0,
              "chunk ids");
    FuzzCheck(U32(h + 40) == dataBytes && U32(h + 4) == dataBytes + 36,
              "header sizes disagree with the file");
    const uint16_t channels = U16(h + 22);
    const uint32_t rate = U32(h + 24);
    FuzzCheck(U16(h + 20) == 1 && U16(h + 34) == 16, "not 16-bit PCM");
    FuzzCheck(channels == 1 || channels == 2, "channel count");
    FuzzCheck(rate > 0, "sample rate");
    FuzzCheck(U16(h + 32) == channels * 2 && U32(h + 28) == rate * channels * 2u,
              "block align or byte rate");
    FuzzCheck(dataBytes % (channels * 2u) == 0, "a partial frame of samples");
    return {channels, rate, dataBytes};
}
