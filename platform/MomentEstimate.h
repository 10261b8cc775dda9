#pragma once
// One moment of a stream (when its first sample was heard or captured)
// estimated from the first few timing reports of the sound server. Any
// thread, under its owner's lock.

#include <array>
#include <cstddef>
#include <optional>

#include "platform/SoundClock.h"

namespace platform {

// The moment counts as known once kSettled reports are in. `Median` ignores a report taken at a bad time.
// `Earliest` suits estimates that can only err late: a source whose latency
// the server does not know (it says 0) hands over what it captured at
// intervals, and a report between two hand-overs places the stream's start
// later by the time since the last one.
class MomentEstimate {
public:
    static constexpr size_t kEstimates = 8;
    static constexpr size_t kSettled = 4;
    enum class Pick { Median, Earliest };

    explicit MomentEstimate(Pick pick) : pick_(pick) {}
    void add(SoundTime estimate);
    bool complete() const { return count_ == kEstimates; }
    // Empty until `atLeast` reports are in.
    std::optional<SoundTime> value(size_t atLeast = kSettled) const;
    void reset() { count_ = 0; }

private:
    Pick pick_;
    std::array<SoundTime, kEstimates> estimates_{};  // in order
    size_t count_ = 0;
};

}  // namespace platform
