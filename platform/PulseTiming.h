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

#include <array>
#include <optional>

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

// One moment estimated from the first few reports; it counts as known once
// kSettled of them are in. `Median` ignores a report taken at a bad time.
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
