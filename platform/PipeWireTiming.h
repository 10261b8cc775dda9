#pragma once
// When sound of a PipeWire stream was at the microphone or came out of the
// speakers, from the stream's timing snapshot of a graph cycle
// (pw_stream_get_time_n): `now` is the cycle's moment on the monotonic
// clock, `delay` how far the device is from the graph (in the graph's
// ticks), `buffered` what the stream's resampler holds (in the stream's
// frames), `queued` what the stream holds that the graph has not taken yet.
// Exact to the frame while the stream flows: no estimate from replies that
// travelled. Any thread.

#include <pipewire/pipewire.h>

#include <cstdint>

#include "platform/SoundClock.h"

namespace platform {

// The snapshot's moment.
SoundTime CycleMoment(const pw_time& time);

// A capture stream's snapshot taken as `frames` more came in, `delivered`
// in all since it started (those included): when its first one was at the
// microphone.
SoundTime FirstFrameCaptured(const pw_time& time, int64_t delivered, int rate);

// A playback stream's snapshot taken in the cycle that asked for `cycleFrames`
// frames (of `frameBytes`), before they were queued: when the first of them
// will come out of the speakers. The graph takes them in the next cycle.
SoundTime NextFrameHeard(const pw_time& time, int frameBytes, int rate, int64_t cycleFrames);

}  // namespace platform
