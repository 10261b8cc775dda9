#pragma once
// The check both decoder targets make of the WAV file a decoder library
// wrote: a 44-byte header of 16-bit PCM, mono or stereo, whose sizes, block
// align and byte rate describe the samples after it.

#include <cstddef>
#include <cstdint>

struct CheckedWav {
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t dataBytes = 0;
};

// Ends the process (a finding) unless `bytes` is such a file.
CheckedWav CheckWholeWav(const unsigned char* bytes, size_t size);
