#pragma once
// libmad's samples are fixed point with 28 fraction bits (1.0 = 0x10000000);
// the WAV file wants signed 16 bits.

#include <mad.h>

#include <cstdint>

namespace ostrel {

inline constexpr mad_fixed_t kMadOne = 0x10000000;
inline constexpr int kPcm16Shift = 28 + 1 - 16;

// Limits to -1.0 .. just below +1.0 so that loud passages clip instead of
// wrapping round, then truncates (no rounding, no dither).
inline int16_t ToPcm16(mad_fixed_t sample) {
    if (sample >= kMadOne) {
        sample = kMadOne - 1;
    } else if (sample < -kMadOne) {
        sample = -kMadOne;
    }
    return static_cast<int16_t>(sample >> kPcm16Shift);
}

}  // namespace ostrel
