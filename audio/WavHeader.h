#pragma once
// The 44-byte RIFF/WAVE header that every work file of the program starts
// with, followed directly by signed 16-bit little-endian PCM samples.
// Readers use only channels, sample rate and bits per sample, and take the
// samples to run from byte 44 to the end of the file.

#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little,
              "WavHeader is read and written as raw little-endian bytes");

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
// Every field sits at its natural alignment, so the record needs no packing
// (a packed record's fields could not be referred to safely).
static_assert(sizeof(WavHeader) == 44);
static_assert(offsetof(WavHeader, riffSize) == 4 && offsetof(WavHeader, formType) == 8 &&
              offsetof(WavHeader, formatChunkId) == 12 &&
              offsetof(WavHeader, formatChunkSize) == 16 && offsetof(WavHeader, formatTag) == 20 &&
              offsetof(WavHeader, channels) == 22 && offsetof(WavHeader, sampleRate) == 24 &&
              offsetof(WavHeader, byteRate) == 28 && offsetof(WavHeader, blockAlign) == 32 &&
              offsetof(WavHeader, bitsPerSample) == 34 && offsetof(WavHeader, dataChunkId) == 36 &&
              offsetof(WavHeader, dataSize) == 40);

inline constexpr int64_t kWavHeaderBytes = sizeof(WavHeader);

// Fills all 44 bytes for an empty file of the given format: RIFF size 36,
// data size 0.
void InitWavHeader(WavHeader& header, int channels, int sampleRate, int bitsPerSample);

// Bytes per second of the format; 0 when any of the three is 0 or negative.
int64_t WavBytesPerSecond(int channels, int sampleRate, int bitsPerSample);

// Whole seconds of `dataBytes` of the format, rounded up. A format with no
// bytes per second, or a length of 0 or less, has no samples: 0 seconds.
int WavDurationSeconds(int64_t dataBytes, int channels, int sampleRate, int bitsPerSample);

// Length of the sample data of a file of `fileBytes` bytes; a file shorter
// than its header holds no samples.
int64_t WavDataLength(int64_t fileBytes);

// Reads up to 44 header bytes of the file at `path` over `header`; bytes the
// file does not have keep their old values. Returns the file's size in bytes,
// or -1 when it cannot be opened (then `header` is untouched).
int64_t ReadWavHeader(const char* path, WavHeader& header);
