#pragma once
// The library's own copy of the 44-byte RIFF/WAVE header that the program's
// work files start with; it shares no code with the program.

#include <bit>
#include <cstdint>

static_assert(std::endian::native == std::endian::little,
              "the WAV header is written as raw little-endian bytes");

namespace pellin {

#pragma pack(push, 1)
struct WavHeader {
    char chunkId[4];           // "RIFF"
    uint32_t riffSize;         // file size - 8
    char formType[4];          // "WAVE"
    char formatChunkId[4];     // "fmt "
    uint32_t formatChunkSize;  // 16
    uint16_t formatTag;        // 1: integer PCM
    uint16_t channels;
    uint32_t sampleRate;
    uint32_t byteRate;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
    char dataChunkId[4];  // "data"
    uint32_t dataSize;
};
#pragma pack(pop)
static_assert(sizeof(WavHeader) == 44);

inline constexpr int kWavHeaderBytes = sizeof(WavHeader);
inline constexpr uint32_t kEmptyRiffSize = kWavHeaderBytes - 8;

// The highest sample rate whose byte rate, for 16-bit stereo, a WAV header's
// 32 bits can hold. A source that claims more is not a sound file.
inline constexpr int kMaxWavSampleRate = static_cast<int>(UINT32_MAX / 4);

// Fills all 44 bytes for an empty file of the given format: RIFF size 36,
// data size 0.
void InitWavHeader(WavHeader& header, int channels, int sampleRate, int bitsPerSample);

}  // namespace pellin
