#include "tests/support/ClickTrack.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "tests/support/WavFiles.h"

namespace {

constexpr int64_t kMinGapFrames = kClickRate / 50;

}  // namespace

std::vector<int64_t> IrregularClicks(double seconds, double firstSeconds) {
    std::vector<int64_t> clicks;
    // Gaps from 200 to 580 ms in an order that does not repeat for a while.
    static constexpr int kGapsMs[] = {310, 470, 200, 560, 260, 390, 580, 230, 440, 350, 520, 280};
    double at = firstSeconds;
    for (size_t i = 0; at < seconds - 0.05; ++i) {
        clicks.push_back(static_cast<int64_t>(at * kClickRate));
        at += kGapsMs[i % std::size(kGapsMs)] / 1000.0;
    }
    return clicks;
}

void WriteClickTrack(const QString& path, int channels, double seconds,
                     const std::vector<int64_t>& clicks) {
    const auto frames = static_cast<size_t>(seconds * kClickRate);
    std::vector<int16_t> samples(frames * static_cast<size_t>(channels), 0);
    for (const int64_t click : clicks) {
        for (int i = 0; i < kClickFrames && static_cast<size_t>(click + i) < frames; ++i) {
            const int16_t value = i % 2 == 0 ? 20000 : -20000;
            for (int c = 0; c < channels; ++c) {
                samples[static_cast<size_t>(click + i) * static_cast<size_t>(channels) +
                        static_cast<size_t>(c)] = value;
            }
        }
    }
    WriteWavFile(path, channels, kClickRate, samples);
}

std::vector<int64_t> FindClicks(const std::vector<int16_t>& mono, int threshold) {
    std::vector<int64_t> found;
    for (size_t i = 0; i < mono.size(); ++i) {
        if (std::abs(mono[i]) < threshold) continue;
        if (found.empty() || static_cast<int64_t>(i) - found.back() >= kMinGapFrames) {
            found.push_back(static_cast<int64_t>(i));
        }
    }
    return found;
}

std::vector<int64_t> ClickOffsets(const std::vector<int64_t>& found,
                                  const std::vector<int64_t>& expected, int64_t shift) {
    std::vector<int64_t> offsets;
    for (const int64_t click : found) {
        int64_t nearest = std::numeric_limits<int64_t>::max();
        for (const int64_t want : expected) {
            const int64_t offset = click - (want + shift);
            if (std::abs(offset) < std::abs(nearest)) nearest = offset;
        }
        offsets.push_back(nearest);
    }
    return offsets;
}
