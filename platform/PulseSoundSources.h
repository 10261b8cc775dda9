#pragma once
// SoundSources from the PulseAudio server on the program's one connection.
// A microphone is a source without a monitored sink; changes come from the
// connection's subscription (sources, sinks, the server's defaults) and
// reach the UI thread in one queued call per burst.
// UI thread only.

#include <QObject>
#include <atomic>
#include <chrono>
#include <memory>

#include "platform/PulseServer.h"
#include "platform/SoundSources.h"

namespace platform {

class PulseSoundSources final : public SoundSources {
public:
    static constexpr std::chrono::milliseconds kQueryLimit{3000};

    explicit PulseSoundSources(std::shared_ptr<PulseServer> server);
    ~PulseSoundSources() override;
    PulseSoundSources(const PulseSoundSources&) = delete;
    PulseSoundSources& operator=(const PulseSoundSources&) = delete;

    Result<SoundDeviceList> list() override;
    void watch(ChangeHandler handler) override;

private:
    void changed();  // loop thread

    std::shared_ptr<PulseServer> server_;
    ChangeHandler handler_;
    std::unique_ptr<QObject> receiver_;
    int watcher_ = 0;
    std::atomic<bool> posted_ = false;
};

}  // namespace platform
