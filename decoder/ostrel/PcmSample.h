#pragma once
// libmad's samples are fixed point with 28 fraction bits (1.0 = 0x10000000);
// the WAV file wants signed 16 bits.

#include <mad.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace ostrel {

inline constexpr mad_fixed_t kMadOne = 0x10000000;
inline constexpr int kPcm16Shift = 28 + 1 - 16;

// Limits to -1.0 .. just below +1.0 so that loud passages clip instead of
// wrapping round, then truncates (no rounding, no dither). Shifting first and
// limiting to the 16-bit range gives the same result without branches.
inline int16_t ToPcm16(mad_fixed_t sample) {
    return static_cast<int16_t>(std::clamp(sample >> kPcm16Shift, -32768, 32767));
}

// The samples of one decoded block as ToPcm16 converts them: `count` samples
// of one channel into `out`, or left and right in turn into 2 x `count`.
void ConvertPcm16(const mad_fixed_t* mono, size_t count, int16_t* out);
void InterleavePcm16(const mad_fixed_t* left, const mad_fixed_t* right, size_t count, int16_t* out);
// The average of left and right, converted: `count` samples into `out`.
void DownmixPcm16(const mad_fixed_t* left, const mad_fixed_t* right, size_t count, int16_t* out);

}  // namespace ostrel
