#pragma once
// The mixer over PulseAudio (or PipeWire's PulseAudio service). The
// recording line is the server's default source, the speakers line its
// default sink, each as found when the line is opened. Controls of a line:
// mute, volume (0..65535 mapped linearly onto 0..PA_VOLUME_NORM, per
// channel), and a single-choice list of the device's ports named by their
// descriptions, when it has ports.
//
// Reads and writes go over the shared sound connection and are waited on,
// never longer than kServerWaitMs per step; a server that does not answer in
// time is not asked again for kRetryAfterSilenceMs. Change notifications
// come from the connection's subscription (one watcher per connection) and
// reach the handler on the UI thread as queued calls; they stop when the
// last line is closed. UI thread only.

#include <memory>

#include "platform/MixerBackend.h"
#include "platform/PulseServer.h"

namespace platform {

class PulseMixerBackend final : public MixerBackend {
public:
    static constexpr int kServerWaitMs = 1000;
    static constexpr int kRetryAfterSilenceMs = 10000;

    explicit PulseMixerBackend(std::shared_ptr<PulseServer> server);
    ~PulseMixerBackend() override;
    PulseMixerBackend(const PulseMixerBackend&) = delete;
    PulseMixerBackend& operator=(const PulseMixerBackend&) = delete;

    MixerHandle openLine(MixerLineKind kind, ChangeHandler onChange) override;
    void closeLine(MixerHandle handle) override;
    bool describeLine(MixerHandle handle, MixerLine& line) override;
    bool readValues(MixerHandle handle, MixerControlId control, int channels, int items,
                    std::vector<uint32_t>& values) override;
    bool writeValues(MixerHandle handle, MixerControlId control, int channels, int items,
                     const std::vector<uint32_t>& values) override;
    bool readItemNames(MixerHandle handle, MixerControlId control, int channels, int items,
                       std::vector<std::string>& names) override;

    // True while the server's change notifications are being received.
    bool watching() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
