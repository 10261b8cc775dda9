#include "effects/Balance.h"

#include <algorithm>

#include "effects/SampleConversion.h"

namespace effects {

void ScaleByPercent(std::span<int16_t> samples, int percent) {
    const int32_t factor = std::clamp(percent, 0, kMaxPercent);
    for (int16_t& sample : samples) {
        // Round half away from zero, so that a signal and its negation scale alike.
        const int32_t scaled = int32_t{sample} * factor;
        const int32_t rounded = scaled >= 0 ? (scaled + 50) / 100 : (scaled - 50) / 100;
        sample = SaturateToInt16(rounded);
    }
}

}  // namespace effects
