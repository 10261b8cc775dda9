#include "platform/MomentEstimate.h"

namespace platform {

void MomentEstimate::add(SoundTime estimate) {
    if (count_ == kEstimates) return;
    // Kept in order, so the median is the middle one.
    size_t at = count_++;
    for (; at > 0 && estimates_[at - 1] > estimate; --at) estimates_[at] = estimates_[at - 1];
    estimates_[at] = estimate;
}

std::optional<SoundTime> MomentEstimate::value(size_t atLeast) const {
    if (count_ == 0 || count_ < atLeast) return std::nullopt;
    return pick_ == Pick::Earliest ? estimates_[0] : estimates_[count_ / 2];
}

}  // namespace platform
