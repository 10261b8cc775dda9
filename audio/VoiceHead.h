#pragma once
// The head of a take's voice, lined up with what the singer heard: sample 0
// of record.wav is the moment the accompaniment's first sample came out of
// the speakers (without an accompaniment, the moment capture started). The
// input's first sample was captured at some other moment: sound captured
// before the take's start is dropped, and a start captured late is made up
// with silence, so the voice neither leads nor lags the accompaniment.
// Until the offset is known, what arrives is held back.
// No toolkit and no threads: one take's sound, in order.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/SoundClock.h"

class VoiceHead {
public:
    // Offsets beyond this are not believed: the reports they come from
    // must be wrong, and the voice is kept as captured.
    static constexpr int64_t kMaxOffsetSeconds = 30;

    // Frames captured before `takeStart` when the first one was captured
    // at `firstCaptured` (positive), or frames missing after it (negative),
    // at `sampleRate`, to the nearest frame.
    static int64_t FramesBefore(platform::SoundTime takeStart, platform::SoundTime firstCaptured,
                                int sampleRate);

    // A new take of frames of `frameBytes` bytes; silence is `silenceByte`.
    void reset(size_t frameBytes, char silenceByte = 0);

    bool aligned() const { return aligned_; }
    size_t heldBytes() const { return held_.size(); }

    // Sound as it arrives: what belongs in the file now is appended to `out`.
    void take(const char* bytes, size_t count, std::vector<char>& out);

    // Lines the head up: drops `frames` (> 0) of the first sound, or puts
    // -`frames` (< 0) of silence before it; what was held goes to `out`.
    void align(int64_t frames, std::vector<char>& out);

private:
    size_t frameBytes_ = 2;
    char silenceByte_ = 0;
    bool aligned_ = false;
    std::vector<char> held_;
    uint64_t dropBytes_ = 0;  // still to drop from what comes
};
