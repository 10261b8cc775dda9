#pragma once
// Conversions between the files' 16-bit samples and the float samples that
// the hosted libraries work in. Plain functions; any thread.

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace effects {

inline int16_t SaturateToInt16(int32_t value) {
    return static_cast<int16_t>(std::clamp<int32_t>(value, -32768, 32767));
}

inline float ToFloat(int16_t sample) { return static_cast<float>(sample) / 32768.0f; }

// Rounded to the nearest step and saturated; full scale +1.0 gives 32767,
// and a NaN from a misbehaving library gives silence.
inline int16_t ToInt16(float sample) {
    if (std::isnan(sample)) return 0;
    const float scaled = std::clamp(sample * 32768.0f, -32768.0f, 32767.0f);
    return static_cast<int16_t>(std::lrint(scaled));
}

}  // namespace effects
