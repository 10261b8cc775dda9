#include "audio/VoiceHead.h"

#include <algorithm>
#include <chrono>
#include <cmath>

int64_t VoiceHead::FramesBefore(platform::SoundTime takeStart, platform::SoundTime firstCaptured,
                                int sampleRate) {
    const double seconds = std::chrono::duration<double>(takeStart - firstCaptured).count();
    if (std::abs(seconds) > kMaxOffsetSeconds || sampleRate <= 0) return 0;
    return std::llround(seconds * sampleRate);
}

void VoiceHead::reset(size_t frameBytes, char silenceByte) {
    frameBytes_ = std::max<size_t>(frameBytes, 1);
    silenceByte_ = silenceByte;
    aligned_ = false;
    held_.clear();
    dropBytes_ = 0;
}

void VoiceHead::take(const char* bytes, size_t count, std::vector<char>& out) {
    if (!aligned_) {
        held_.insert(held_.end(), bytes, bytes + count);
        return;
    }
    const size_t dropped = static_cast<size_t>(std::min<uint64_t>(dropBytes_, count));
    dropBytes_ -= dropped;
    out.insert(out.end(), bytes + dropped, bytes + count);
}

void VoiceHead::align(int64_t frames, std::vector<char>& out) {
    if (aligned_) return;
    aligned_ = true;
    if (frames < 0) {
        out.insert(out.end(), static_cast<size_t>(-frames) * frameBytes_, silenceByte_);
    } else {
        dropBytes_ = static_cast<uint64_t>(frames) * frameBytes_;
    }
    std::vector<char> held;
    held.swap(held_);
    take(held.data(), held.size(), out);
}
