#pragma once
// Sound input over a PulseAudio record stream on the chosen source, else
// the server's default source as it is when the input is opened (the device
// chosen in the desktop's sound settings). The stream stays on that source for the take,
// so a microphone that goes away ends the capture instead of recording
// another device. It asks for fragments of one block, so blocks arrive as
// they fill.
//
// The stream is read on the sound connection's own thread as soon as data
// arrive and kept there until the UI thread takes it: nothing is lost while
// the UI thread is busy. The lent blocks are filled and handed back on the
// UI thread. stop() waits for the samples that were still on their way from
// the microphone when it was called: as long as the source holds sound back
// (its latency), and kStopMargin more, kStopLimit at most.
// UI thread only.

#include <QObject>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "platform/AudioInput.h"
#include "platform/CapturedBlocks.h"
#include "platform/PulseHandles.h"
#include "platform/PulseServer.h"
#include "platform/PulseTiming.h"

namespace platform {

class PulseAudioInput final : public AudioInput {
public:
    // open() and start() give up on a server that does not answer by then.
    static constexpr std::chrono::milliseconds kSetUpLimit{4000};
    static constexpr std::chrono::milliseconds kStopMargin{300};
    static constexpr std::chrono::milliseconds kStopLimit{3000};
    // What is kept for a UI thread that does not come to take it: 10 minutes
    // of CD-quality stereo.
    static constexpr size_t kMaxKeptBytes = size_t{10} * 60 * 176400;

    explicit PulseAudioInput(std::shared_ptr<PulseServer> server);
    ~PulseAudioInput() override;
    PulseAudioInput(const PulseAudioInput&) = delete;
    PulseAudioInput& operator=(const PulseAudioInput&) = delete;

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
    static void StateChanged(pa_stream* stream, void* userdata);
    static void ReadArrived(pa_stream* stream, size_t bytes, void* userdata);
    static void TimingUpdated(pa_stream* stream, void* userdata);
    void keep(const void* data, size_t bytes);
    void postDelivery();

    // UI thread.
    Status connectStream();
    void deliverArrived();
    void takeArrived();

    std::shared_ptr<PulseServer> server_;
    FailureHandler failureHandler_;
    std::unique_ptr<QObject> receiver_;  // queued deliveries die with it

    // UI thread.
    std::string device_;  // "": the default source
    pa_sample_spec spec_{};
    size_t blockBytes_ = 0;
    std::chrono::microseconds sourceLatency_{0};
    bool started_ = false;  // the stream has run
    CapturedBlocks blocks_;
    bool running_ = false;

    // Shared with the loop thread, under the loop's lock.
    PulseStreamPtr stream_;
    std::vector<char> arrived_;  // read from the stream, not yet taken
    int64_t arrivedBytes_ = 0;   // read since start()
    bool accepting_ = false;
    bool deliveryPosted_ = false;
    bool failed_ = false;
    bool failureReported_ = false;
    PulseError failure_;
    MomentEstimate firstCaptured_{MomentEstimate::Pick::Earliest};
    PulseOperationPtr timingQuery_;
};

}  // namespace platform
