#pragma once
// The clock in which the sound input and the player tell when sound was
// captured or heard: the monotonic clock of this machine.

#include <chrono>

namespace platform {

using SoundClock = std::chrono::steady_clock;
using SoundTime = SoundClock::time_point;

}  // namespace platform
