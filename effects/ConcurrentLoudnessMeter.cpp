#include "effects/ConcurrentLoudnessMeter.h"

#include <utility>

namespace effects {

ConcurrentLoudnessMeter::ConcurrentLoudnessMeter(LoudnessMeter meter)
    : meter_(std::move(meter)), thread_([this] { measure(); }) {}

ConcurrentLoudnessMeter::~ConcurrentLoudnessMeter() { stop(true); }

void ConcurrentLoudnessMeter::add(std::span<const int16_t> samples) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return waiting_.size() < kQueuedBlocks; });
    std::vector<int16_t> block;
    if (!spare_.empty()) {
        block = std::move(spare_.back());
        spare_.pop_back();
    }
    lock.unlock();
    block.assign(samples.begin(), samples.end());
    lock.lock();
    waiting_.push_back(std::move(block));
    lock.unlock();
    changed_.notify_all();
}

Result<LoudnessFigures> ConcurrentLoudnessMeter::finish() {
    stop(false);
    if (failure_) return *failure_;
    return meter_.figures();
}

void ConcurrentLoudnessMeter::measure() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !waiting_.empty() || closed_; });
        if (waiting_.empty()) return;
        std::vector<int16_t> block = std::move(waiting_.front());
        waiting_.pop_front();
        const bool failed = failure_.has_value();
        lock.unlock();
        changed_.notify_all();
        // After a failure the figures are lost anyway; the rest only drains.
        Status added = failed ? Status{} : meter_.add(block);
        lock.lock();
        if (!added) failure_ = added.failure();
        spare_.push_back(std::move(block));
    }
}

void ConcurrentLoudnessMeter::stop(bool dropWaiting) {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        if (dropWaiting) waiting_.clear();
    }
    changed_.notify_all();
    thread_.join();
}

}  // namespace effects
