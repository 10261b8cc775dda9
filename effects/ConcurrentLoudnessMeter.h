#pragma once
// A LoudnessMeter on a thread of its own, for a song measured while it is
// being made: the maker hands over each block as it writes it and goes on
// with the next while the meter works through them in order. The figures are
// those of the whole song handed over, as if it had been measured at once.
// At most kQueuedBlocks blocks wait; a maker that gets that far ahead waits
// for room. Made, fed and finished from one thread.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <vector>

#include "base/Result.h"
#include "effects/LoudnessMeter.h"

namespace effects {

class ConcurrentLoudnessMeter {
public:
    static constexpr size_t kQueuedBlocks = 4;

    explicit ConcurrentLoudnessMeter(LoudnessMeter meter);
    ConcurrentLoudnessMeter(const ConcurrentLoudnessMeter&) = delete;
    ConcurrentLoudnessMeter& operator=(const ConcurrentLoudnessMeter&) = delete;
    // Stops the meter's thread; blocks not yet measured are dropped.
    ~ConcurrentLoudnessMeter();

    // Hands over a copy of interleaved whole frames, the next of the song.
    void add(std::span<const int16_t> samples);

    // Waits until every block handed over is measured: the figures, or the
    // meter's first failure. Only once; add() no more after it.
    Result<LoudnessFigures> finish();

private:
    void measure();
    void stop(bool dropWaiting);

    LoudnessMeter meter_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<int16_t>> waiting_;
    std::vector<std::vector<int16_t>> spare_;  // measured blocks, for reuse
    bool closed_ = false;
    std::optional<Failure> failure_;
    // Last: started once everything it uses is there.
    std::thread thread_;
};

}  // namespace effects
