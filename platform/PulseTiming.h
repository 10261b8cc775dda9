#pragma once
// When the first sample of a stream was at the microphone, or came out of
// the speakers, from the sound server's timing reports (pa_timing_info).
// A report is a snapshot: at its timestamp the server had pushed so much
// into a record stream (its write index) and held so much more in the
// source (source latency), or had taken so much from a playback stream
// (read index) of which so much still waited in the sink (sink latency).
// While a stream flows without a gap, its first sample lies exactly that
// far before the snapshot. Any thread.

#include <pulse/pulseaudio.h>

#include <optional>

#include "platform/MomentEstimate.h"
#include "platform/SoundClock.h"

namespace platform {

// The snapshot's moment on our clock.
SoundTime SnapshotTime(const pa_timing_info& info);

// When the first sample of a running record stream was captured; empty
// when the report does not tell (corked, indexes not valid).
std::optional<SoundTime> FirstSampleCaptured(const pa_timing_info& info,
                                             const pa_sample_spec& spec);

// When the first sample of a playback stream was heard; empty until it has
// been, and after the stream ran dry once (a gap shifts what follows).
std::optional<SoundTime> FirstSampleHeard(const pa_timing_info& info, const pa_sample_spec& spec);

}  // namespace platform
