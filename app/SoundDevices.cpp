#include "app/SoundDevices.h"

#include "platform/PulseAudioInput.h"
#include "platform/PulseLiveInput.h"
#include "platform/PulseMixerBackend.h"
#include "platform/PulseServer.h"
#include "platform/PulseSoundSources.h"
#include "platform/PulseVoiceMonitor.h"
#include "platform/PulseWavPlayer.h"

SoundDevices OpenSoundDevices() {
    const auto server = std::make_shared<platform::PulseServer>(
        platform::PulseClientIdentity{"Tavimo", "tavimo"});
    return {std::make_unique<platform::PulseAudioInput>(server),
            std::make_unique<platform::PulseWavPlayer>(server),
            std::make_unique<platform::PulseMixerBackend>(server),
            std::make_unique<platform::PulseLiveInput>(server),
            std::make_unique<platform::PulseVoiceMonitor>(server),
            std::make_unique<platform::PulseSoundSources>(server)};
}
