#include "platform/PulseTiming.h"

#include <algorithm>
#include <chrono>

namespace platform {
namespace {

using std::chrono::microseconds;

int64_t Microseconds(int64_t bytes, const pa_sample_spec& spec) {
    return static_cast<int64_t>(
        pa_bytes_to_usec(static_cast<uint64_t>(std::max<int64_t>(bytes, 0)), &spec));
}

}  // namespace

SoundTime SnapshotTime(const pa_timing_info& info) {
    // The report's timestamp is on the wall clock; its age is the same on ours.
    timeval now{};
    pa_gettimeofday(&now);
    const auto age = static_cast<int64_t>(pa_timeval_diff(&now, &info.timestamp));
    const bool past = pa_timeval_cmp(&now, &info.timestamp) >= 0;
    return SoundClock::now() - microseconds(past ? age : -age);
}

std::optional<SoundTime> FirstSampleCaptured(const pa_timing_info& info,
                                             const pa_sample_spec& spec) {
    // Only once sound flows: before that the source's latency is a guess.
    if (!info.playing || info.write_index_corrupt || info.write_index <= 0) return std::nullopt;
    // The stream's position at the microphone at the snapshot: what reached
    // the stream, and what the source still holds. A monitor source carries
    // what a sink will play only later.
    const int64_t atMicrophone = Microseconds(info.write_index, spec) +
                                 static_cast<int64_t>(info.source_usec) -
                                 static_cast<int64_t>(info.sink_usec);
    return SnapshotTime(info) - microseconds(atMicrophone);
}

std::optional<SoundTime> FirstSampleHeard(const pa_timing_info& info, const pa_sample_spec& spec) {
    if (!info.playing || info.read_index_corrupt) return std::nullopt;
    const int64_t taken = Microseconds(info.read_index, spec);
    const int64_t heard = taken - static_cast<int64_t>(info.sink_usec);
    if (heard <= 0) return std::nullopt;
    // Played without a gap since the start: all it took was played in one run.
    if (Microseconds(info.since_underrun, spec) + 1000 < taken) return std::nullopt;
    return SnapshotTime(info) - microseconds(heard);
}

}  // namespace platform
