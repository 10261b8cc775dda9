#pragma once
// The format of the program's WAV work files as the effects read and write
// them: a 44-byte header, then signed 16-bit little-endian PCM from byte 44 to
// the end of the file (the header's sizes are not trusted; a trailing partial
// frame is ignored). Plain functions; any thread.

#include <array>
#include <cstdint>
#include <string>

#include "base/Result.h"

namespace effects {

inline constexpr int64_t kWavHeaderBytes = 44;
inline constexpr int kMinSampleRate = 8000;
inline constexpr int kMaxSampleRate = 48000;

struct WavFormat {
    int channels = 0;    // 1 or 2
    int sampleRate = 0;  // kMinSampleRate … kMaxSampleRate
};

using WavHeaderBytes = std::array<unsigned char, kWavHeaderBytes>;

// The format a header gives, or an Invalid failure naming `path` when it is
// not 16-bit PCM of one or two channels at a rate the program records.
Result<WavFormat> ParseWavHeader(const WavHeaderBytes& header, const std::string& path);

// A header for `frames` frames of `format`; sizes past the 32-bit fields are
// capped, as the program's other writers do.
WavHeaderBytes MakeWavHeader(const WavFormat& format, int64_t frames);

}  // namespace effects
