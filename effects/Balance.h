#pragma once
// The voice and accompaniment volumes of the mix: 16-bit samples scaled by a
// percentage 0–200, saturated at full scale. 100 % is neutral: callers skip
// the call so that the samples stay untouched. Plain functions; any thread.

#include <cstdint>
#include <span>

namespace effects {

inline constexpr int kNeutralPercent = 100;
inline constexpr int kMaxPercent = 200;

constexpr bool IsNeutralPercent(int percent) { return percent == kNeutralPercent; }

// Scales every sample by `percent` (clamped to 0 … kMaxPercent), rounding to
// the nearest value.
void ScaleByPercent(std::span<int16_t> samples, int percent);

}  // namespace effects
