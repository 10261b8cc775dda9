#include "platform/CapturedBlocks.h"

#include <algorithm>
#include <cstring>

#include "platform/InputFailure.h"

namespace platform {

Status CapturedBlocks::prepare(AudioBlock& block) {
    if (block.bytes.empty()) return InputFailure(PA_ERR_INVALID, "the block holds no bytes");
    if (std::find(prepared_.begin(), prepared_.end(), &block) == prepared_.end()) {
        prepared_.push_back(&block);
    }
    block.recordedBytes = 0;
    return {};
}

Status CapturedBlocks::queue(AudioBlock& block, bool running) {
    if (std::find(prepared_.begin(), prepared_.end(), &block) == prepared_.end()) {
        return InputFailure(PA_ERR_INVALID, "the block was not prepared");
    }
    if (std::find(queued_.begin(), queued_.end(), &block) != queued_.end()) {
        return InputFailure(PA_ERR_INVALID, "the block is queued already");
    }
    block.recordedBytes = 0;
    queued_.push_back(&block);
    if (running) deliver(false);
    return {};
}

void CapturedBlocks::begin() {
    staged_.clear();
    stagedFrom_ = 0;
    taken_ = 0;
}

void CapturedBlocks::append(const std::vector<char>& bytes) {
    if (stagedFrom_ > 0 && stagedFrom_ == staged_.size()) {
        staged_.clear();
        stagedFrom_ = 0;
    }
    staged_.insert(staged_.end(), bytes.begin(), bytes.end());
    taken_ += static_cast<int64_t>(bytes.size());
}

void CapturedBlocks::keepAtMost(int64_t wanted) {
    if (wanted < 0 || taken_ <= wanted) return;
    const auto surplus = static_cast<size_t>(
        std::min<int64_t>(taken_ - wanted, static_cast<int64_t>(staged_.size() - stagedFrom_)));
    staged_.resize(staged_.size() - surplus);
}

void CapturedBlocks::deliver(bool lastPartBlock) {
    // A handler that waits in a message box lets the event loop run; what
    // arrives meanwhile waits until the handler returns.
    if (delivering_) return;
    delivering_ = true;
    while (!queued_.empty()) {
        const size_t left = staged_.size() - stagedFrom_;
        AudioBlock* block = queued_.front();
        size_t size = block->bytes.size();
        if (left < size) {
            if (!lastPartBlock || left == 0) break;
            size = left;
        }
        queued_.pop_front();
        std::memcpy(block->bytes.data(), staged_.data() + stagedFrom_, size);
        block->recordedBytes = size;
        stagedFrom_ += size;
        if (handler_) handler_(*block);
    }
    if (stagedFrom_ > 0 && stagedFrom_ >= staged_.size() / 2) {
        staged_.erase(staged_.begin(), staged_.begin() + static_cast<std::ptrdiff_t>(stagedFrom_));
        stagedFrom_ = 0;
    }
    delivering_ = false;
}

void CapturedBlocks::end() {
    staged_.clear();
    stagedFrom_ = 0;
}

void CapturedBlocks::forget() {
    prepared_.clear();
    queued_.clear();
    end();
    taken_ = 0;
}

}  // namespace platform
