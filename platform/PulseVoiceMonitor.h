#pragma once
// VoiceMonitor as a record stream and a playback stream on the program's one
// connection, joined on the connection's own thread: each fragment read from
// the microphone is written to the speakers at once, scaled by the gain. Both
// ask for small buffers (kFragmentMs, kAheadMs ahead of the speakers); sound
// that would queue up beyond that is dropped rather than played late, so
// the delay stays put. No module is loaded: the server forgets both streams
// with the connection, also when the program is killed.
// UI thread only.

#include <QObject>
#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

#include "platform/PulseHandles.h"
#include "platform/PulseServer.h"
#include "platform/VoiceMonitor.h"

namespace platform {

class PulseVoiceMonitor final : public VoiceMonitor {
public:
    static constexpr int kFragmentMs = 5;
    static constexpr int kAheadMs = 15;
    static constexpr int kRateHz = 48000;
    static constexpr std::chrono::milliseconds kSetUpLimit{4000};

    explicit PulseVoiceMonitor(std::shared_ptr<PulseServer> server);
    ~PulseVoiceMonitor() override;
    PulseVoiceMonitor(const PulseVoiceMonitor&) = delete;
    PulseVoiceMonitor& operator=(const PulseVoiceMonitor&) = delete;

    void setFailureHandler(FailureHandler handler) override { failureHandler_ = std::move(handler); }
    Status start(const std::string& source, double gain) override;
    void setGain(double gain) override;
    void stop() override;
    bool running() const override { return record_ != nullptr; }

private:
    // Loop thread.
    static void StateChanged(pa_stream* stream, void* userdata);
    static void ReadArrived(pa_stream* stream, size_t bytes, void* userdata);
    // UI thread.
    void brokeOff(int generation);

    std::shared_ptr<PulseServer> server_;
    FailureHandler failureHandler_;
    std::unique_ptr<QObject> receiver_;
    std::atomic<float> gain_ = 0.5f;

    // Under the loop's lock.
    PulseStreamPtr playback_;
    PulseStreamPtr record_;
    std::vector<int16_t> scaled_;
    bool failurePosted_ = false;
    int generation_ = 0;  // of the last start()
};

}  // namespace platform
