#pragma once
// Sound input over a PipeWire capture stream on the chosen microphone, else
// the server's default source as it is when the input is opened. The stream
// stays on that source for the take (a microphone that goes away ends the
// capture). Only 16-bit formats are recorded.
//
// Each graph cycle's samples are taken on the sound thread as they come and
// kept until the UI thread takes them: nothing is lost while it is busy.
// The first sample's moment comes from the stream's own timing snapshot of
// the cycles that brought it (PipeWireTiming). stop() waits for the samples
// that were still on their way from the microphone when it was called.
// UI thread only.

#include <QObject>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "platform/AudioInput.h"
#include "platform/CapturedBlocks.h"
#include "platform/MomentEstimate.h"
#include "platform/PipeWireServer.h"
#include "platform/PipeWireStream.h"

namespace platform {

class PipeWireAudioInput final : public AudioInput {
public:
    static constexpr std::chrono::milliseconds kSetUpLimit{4000};
    static constexpr std::chrono::milliseconds kStopMargin{300};
    static constexpr std::chrono::milliseconds kStopLimit{3000};
    // What is kept for a UI thread that does not come to take it: 10 minutes
    // of CD-quality stereo.
    static constexpr size_t kMaxKeptBytes = size_t{10} * 60 * 176400;

    explicit PipeWireAudioInput(std::shared_ptr<PipeWireServer> server);
    ~PipeWireAudioInput() override;
    PipeWireAudioInput(const PipeWireAudioInput&) = delete;
    PipeWireAudioInput& operator=(const PipeWireAudioInput&) = delete;

    void setBlockHandler(BlockHandler handler) override { blocks_.setHandler(std::move(handler)); }
    void setFailureHandler(FailureHandler handler) override {
        failureHandler_ = std::move(handler);
    }
    bool chooseDevice(const std::string& name) override {
        device_ = name;
        return true;
    }
    Status open(const AudioInputFormat& format, size_t blockBytes) override;
    bool isOpen() const override { return stream_ != nullptr; }
    Status prepareBlock(AudioBlock& block) override;
    Status queueBlock(AudioBlock& block) override;
    Status start() override;
    void stop() override;
    std::optional<SoundTime> firstSampleCapturedAt() const override;
    void close() override;

private:
    // Loop thread.
    static void StateChanged(void* data, pw_stream_state old, pw_stream_state state,
                             const char* error);
    static void Process(void* data);
    void fail(int number, const std::string& text);
    void postDelivery();

    // UI thread.
    Status connectStream();
    void deliverArrived();
    void takeArrived();

    std::shared_ptr<PipeWireServer> server_;
    FailureHandler failureHandler_;
    std::unique_ptr<QObject> receiver_;  // queued deliveries die with it

    // UI thread.
    std::string device_;  // "": the default source
    AudioInputFormat format_;
    size_t blockBytes_ = 0;
    bool started_ = false;  // the stream has run
    CapturedBlocks blocks_;
    bool running_ = false;

    // Shared with the loop thread, under the loop's lock.
    std::unique_ptr<PipeWireStream> stream_;
    std::vector<char> arrived_;  // taken from the stream, not yet by the UI thread
    int64_t arrivedFrames_ = 0;  // since start()
    std::chrono::nanoseconds delay_{0};  // from the microphone to the stream, last seen
    bool accepting_ = false;
    bool deliveryPosted_ = false;
    bool failed_ = false;
    bool failureReported_ = false;
    int failureNumber_ = 0;  // as PulseAudio numbers it (PA_ERR_*)
    std::string failure_;
    MomentEstimate firstCaptured_{MomentEstimate::Pick::Median};
};

}  // namespace platform
