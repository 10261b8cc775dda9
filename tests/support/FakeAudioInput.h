#pragma once
// A sound input for the situations the real server cannot produce on demand:
// no device, a driver that refuses blocks, and blocks handed back at chosen
// moments. It counts what it holds so tests can see nothing is lost track of.

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "platform/AudioInput.h"

class FakeAudioInput final : public platform::AudioInput {
public:
    struct Counts {
        int opens = 0;
        int closes = 0;
    };

    // Failures to produce.
    Status openResult;
    int failPrepareAt = -1;  // index of the block whose preparation fails
    int failQueueAt = -1;    // index of the block whose first queueing fails
    Failure failure{FailureCause::NoSound, QStringLiteral("the driver refused"),
                    FailureNotice::Simple, 5};

    explicit FakeAudioInput(Counts* counts) : counts_(counts) {}

    // When the first sample was captured, as the input reports it.
    std::optional<platform::SoundTime> capturedAt;
    // Runs inside stop(), where a real input hands over its last sound.
    std::function<void()> onStop;

    void setBlockHandler(BlockHandler handler) override { handler_ = std::move(handler); }
    void setFailureHandler(FailureHandler handler) override {
        failureHandler_ = std::move(handler);
    }
    std::optional<platform::SoundTime> firstSampleCapturedAt() const override { return capturedAt; }

    Status open(const platform::AudioInputFormat& format,
                                    size_t blockBytes) override {
        if (open_) close();
        if (!openResult) return openResult;
        open_ = true;
        ++counts_->opens;
        format_ = format;
        blockBytes_ = blockBytes;
        return {};
    }
    bool isOpen() const override { return open_; }

    Status prepareBlock(platform::AudioBlock& block) override {
        if (static_cast<int>(prepared_.size()) == failPrepareAt) return failure;
        prepared_.push_back(&block);
        return {};
    }

    Status queueBlock(platform::AudioBlock& block) override {
        if (queueCalls_++ == failQueueAt) return failure;
        if (std::find(prepared_.begin(), prepared_.end(), &block) == prepared_.end()) {
            return failure;
        }
        queued_.push_back(&block);
        return {};
    }

    Status start() override {
        running_ = true;
        return {};
    }
    void stop() override {
        running_ = false;
        if (onStop) onStop();
    }

    void close() override {
        if (!open_) return;
        open_ = running_ = false;
        prepared_.clear();
        queued_.clear();
        queueCalls_ = 0;
        ++counts_->closes;
    }

    // Fills the oldest queued block with `count` bytes of `value` and hands it
    // back, as the driver does (also after stop(), like the partly filled
    // block that stopping releases). False when no block is queued.
    bool returnBlock(size_t count, char value) {
        return returnBytes(std::vector<char>(count, value));
    }

    // The same with `bytes` as what the block holds.
    bool returnBytes(const std::vector<char>& bytes) {
        if (queued_.empty()) return false;
        platform::AudioBlock* block = queued_.front();
        queued_.pop_front();
        const size_t count = std::min(bytes.size(), block->bytes.size());
        std::memcpy(block->bytes.data(), bytes.data(), count);
        block->recordedBytes = count;
        handler_(*block);
        return true;
    }

    // Capture breaks off, as when the sound server goes away.
    void breakOff(const Failure& failure) {
        running_ = false;
        failureHandler_(failure);
    }

    bool running() const { return running_; }
    size_t preparedCount() const { return prepared_.size(); }
    size_t queuedCount() const { return queued_.size(); }
    size_t blockBytes() const { return blockBytes_; }
    const platform::AudioInputFormat& format() const { return format_; }

private:
    Counts* counts_;
    BlockHandler handler_;
    FailureHandler failureHandler_;
    bool open_ = false;
    bool running_ = false;
    int queueCalls_ = 0;
    size_t blockBytes_ = 0;
    platform::AudioInputFormat format_;
    std::vector<platform::AudioBlock*> prepared_;
    std::deque<platform::AudioBlock*> queued_;
};
