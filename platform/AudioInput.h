#pragma once
// The sound input the microphone recorder captures from. The recorder lends
// the input a fixed set of blocks; the input fills them one after the other
// and hands each full block back through the block handler, after which the
// block is the recorder's again until it is queued anew.
// UI thread only: every call, and every call of the handlers.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Result.h"
#include "platform/SoundClock.h"

namespace platform {

struct AudioInputFormat {
    int channels = 1;
    int sampleRate = 44100;
    int bitsPerSample = 16;
};

// One block of sample bytes. `bytes.size()` is what the block holds at most;
// `recordedBytes` is how much the input put in it.
struct AudioBlock {
    std::vector<char> bytes;
    size_t recordedBytes = 0;
};

// A failing call says why in the sound server's words: the failure's code is
// the server's error number, its text what went wrong (cause NoSound).
class AudioInput {
public:
    // Called with a block the input has filled and no longer holds.
    using BlockHandler = std::function<void(AudioBlock& block)>;
    // Called once when capture breaks off by itself (the sound server went
    // away, the device was removed), after every sample captured before
    // has gone to the block handler.
    using FailureHandler = std::function<void(const Failure& failure)>;

    virtual ~AudioInput() = default;

    virtual void setBlockHandler(BlockHandler handler) = 0;
    virtual void setFailureHandler(FailureHandler handler) = 0;

    // The device the next open() opens, by the sound server's name; "" is
    // the server's default input as it is then. False when this input can
    // open the default only.
    virtual bool chooseDevice(const std::string& name) { return name.empty(); }

    // Opens the chosen (else the default) input device for `format`, asking the device for data
    // in pieces of `blockBytes`; capture does not run yet. An input that is
    // open already is closed first.
    virtual Status open(const AudioInputFormat& format, size_t blockBytes) = 0;
    virtual bool isOpen() const = 0;

    // Makes `block` known to the open input so that it can be queued.
    virtual Status prepareBlock(AudioBlock& block) = 0;

    // Lends a prepared block to the input; it comes back full through the handler.
    virtual Status queueBlock(AudioBlock& block) = 0;

    // Capture runs from start() to stop(). stop() hands every sample
    // captured before the call to the block handler before it returns, the
    // last block partly filled, and none captured after it.
    virtual Status start() = 0;
    virtual void stop() = 0;

    // When the first sample delivered since start() reached the microphone,
    // as soon as the sound server has told; empty before, and when the input
    // cannot tell.
    virtual std::optional<SoundTime> firstSampleCapturedAt() const = 0;

    // Stops capture, forgets every block (prepared or queued) and releases the device.
    virtual void close() = 0;
};

}  // namespace platform
