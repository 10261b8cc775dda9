#pragma once
// The UI-thread side of a sound input: the blocks the recorder lent it,
// and the captured bytes not yet in a block. Bytes come in as the input
// takes them from its stream; they go into the queued blocks in order, and
// every full block goes back to the recorder through the handler. A block
// is filled only whole, except the last one of a capture.
// UI thread only.

#include <cstdint>
#include <deque>
#include <vector>

#include "platform/AudioInput.h"

namespace platform {

class CapturedBlocks {
public:
    void setHandler(AudioInput::BlockHandler handler) { handler_ = std::move(handler); }

    // AudioInput's prepareBlock and queueBlock on an open input; queue()
    // hands on what is there when `running`.
    Status prepare(AudioBlock& block);
    Status queue(AudioBlock& block, bool running);

    // A new capture: nothing taken yet.
    void begin();
    // Bytes taken from the stream, after all taken before.
    void append(const std::vector<char>& bytes);
    // Bytes taken since begin().
    int64_t taken() const { return taken_; }
    // Keeps no more than `wanted` bytes of the capture, dropping its end.
    void keepAtMost(int64_t wanted);

    // Hands on every full block; with `lastPartBlock`, what is left goes
    // into one more block, partly filled.
    void deliver(bool lastPartBlock);
    // The capture is over: what was not delivered is dropped.
    void end();
    // Forgets the blocks, prepared or queued.
    void forget();

private:
    AudioInput::BlockHandler handler_;
    std::vector<AudioBlock*> prepared_;
    std::deque<AudioBlock*> queued_;
    std::vector<char> staged_;  // taken, not yet in a block
    size_t stagedFrom_ = 0;     // bytes of staged_ already handed on
    int64_t taken_ = 0;
    bool delivering_ = false;
};

}  // namespace platform
