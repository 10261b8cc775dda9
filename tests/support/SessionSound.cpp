#include "tests/support/SessionSound.h"

#include <QByteArray>
#include <thread>

#include "platform/PipeWireAudioInput.h"
#include "platform/PipeWireServer.h"
#include "platform/PipeWireWavPlayer.h"
#include "platform/PulseAudioInput.h"
#include "platform/PulseServer.h"
#include "platform/PulseWavPlayer.h"

bool TestsRunOnPipeWire() { return qgetenv("TAVIMO_TEST_SOUND_SERVER") == "pipewire"; }

SessionSound::SessionSound() {
    if (TestsRunOnPipeWire()) {
        pipewire_ = std::make_shared<platform::PipeWireServer>("Tavimo tests", "tavimo");
    } else {
        pulse_ = std::make_shared<platform::PulseServer>();
    }
}

SessionSound::~SessionSound() = default;

std::unique_ptr<platform::WavPlayer> SessionSound::player() {
    if (pipewire_) return std::make_unique<platform::PipeWireWavPlayer>(pipewire_);
    return std::make_unique<platform::PulseWavPlayer>(pulse_);
}

std::unique_ptr<platform::AudioInput> SessionSound::input() {
    if (pipewire_) return std::make_unique<platform::PipeWireAudioInput>(pipewire_);
    return std::make_unique<platform::PulseAudioInput>(pulse_);
}

void SessionSound::holdSoundThread(std::chrono::milliseconds time) {
    if (pipewire_) {
        platform::PipeWireServer::Lock lock(*pipewire_);
        std::this_thread::sleep_for(time);
    } else {
        platform::PulseServer::Lock lock(*pulse_);
        std::this_thread::sleep_for(time);
    }
}
