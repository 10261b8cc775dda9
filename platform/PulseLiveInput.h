#pragma once
// LiveInput over a PulseAudio record stream asking for fragments of
// kFragmentMs. The stream is read on the sound connection's thread and its
// samples go to the UI thread in one queued call per batch; what the UI
// thread has not taken when more than kMaxKeptMs are waiting is dropped from
// the old end, since only the latest sound matters to a meter.
// UI thread only.

#include <QObject>
#include <chrono>
#include <memory>
#include <vector>

#include "platform/LiveInput.h"
#include "platform/PulseHandles.h"
#include "platform/PulseServer.h"

namespace platform {

class PulseLiveInput final : public LiveInput {
public:
    // Enough for a meter read 25 times a second; on PipeWire the graph runs
    // at the shortest cycle its streams ask for, and a shorter one than the
    // take's own streams ask for leaves a busy machine no room.
    static constexpr int kFragmentMs = 25;
    static constexpr int kMaxKeptMs = 500;
    static constexpr std::chrono::milliseconds kSetUpLimit{4000};

    explicit PulseLiveInput(std::shared_ptr<PulseServer> server);
    ~PulseLiveInput() override;
    PulseLiveInput(const PulseLiveInput&) = delete;
    PulseLiveInput& operator=(const PulseLiveInput&) = delete;

    void setBlockHandler(BlockHandler handler) override { handler_ = std::move(handler); }
    void setFailureHandler(FailureHandler handler) override { failureHandler_ = std::move(handler); }
    Status start(const std::string& source, int sampleRate) override;
    void stop() override;
    bool running() const override { return stream_ != nullptr; }

private:
    // Loop thread.
    static void StateChanged(pa_stream* stream, void* userdata);
    static void ReadArrived(pa_stream* stream, size_t bytes, void* userdata);
    void post();
    // UI thread.
    void deliver();

    std::shared_ptr<PulseServer> server_;
    BlockHandler handler_;
    FailureHandler failureHandler_;
    std::unique_ptr<QObject> receiver_;  // queued deliveries die with it

    // Shared with the loop thread, under the loop's lock.
    PulseStreamPtr stream_;
    std::vector<int16_t> arrived_;
    size_t maxKept_ = 0;
    bool posted_ = false;
    bool failed_ = false;
    std::vector<int16_t> taken_;  // UI thread
};

}  // namespace platform
