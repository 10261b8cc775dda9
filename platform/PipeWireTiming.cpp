#include "platform/PipeWireTiming.h"

#include <chrono>

namespace platform {
namespace {

using std::chrono::nanoseconds;

nanoseconds Ticks(int64_t ticks, const spa_fraction& rate) {
    return nanoseconds(ticks * 1'000'000'000LL * rate.num / rate.denom);
}

nanoseconds Frames(int64_t frames, int rate) {
    return nanoseconds(frames * 1'000'000'000LL / rate);
}

}  // namespace

SoundTime CycleMoment(const pw_time& time) {
    // PipeWire's clock is CLOCK_MONOTONIC, as steady_clock is on Linux.
    return SoundTime(std::chrono::duration_cast<SoundClock::duration>(nanoseconds(time.now)));
}

SoundTime FirstFrameCaptured(const pw_time& time, int64_t delivered, int rate) {
    return CycleMoment(time) - Ticks(time.delay, time.rate) -
           Frames(static_cast<int64_t>(time.buffered) + delivered, rate);
}

SoundTime NextFrameHeard(const pw_time& time, int frameBytes, int rate, int64_t cycleFrames) {
    const auto queuedFrames = static_cast<int64_t>(time.queued) / frameBytes;
    return CycleMoment(time) + Ticks(time.delay, time.rate) +
           Frames(static_cast<int64_t>(time.buffered) + queuedFrames + cycleFrames, rate);
}

}  // namespace platform
