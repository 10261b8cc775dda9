#include "app/SoundDevices.h"

#include "platform/PipeWireAudioInput.h"
#include "platform/PipeWireServer.h"
#include "platform/PipeWireWavPlayer.h"
#include "platform/PulseAudioInput.h"
#include "platform/PulseLiveInput.h"
#include "platform/PulseMixerBackend.h"
#include "platform/PulseServer.h"
#include "platform/PulseSoundSources.h"
#include "platform/PulseVoiceMonitor.h"
#include "platform/PulseWavPlayer.h"
#include "platform/SoundServerKind.h"

SoundDevices OpenSoundDevices() {
    const auto pulse = std::make_shared<platform::PulseServer>(
        platform::PulseClientIdentity{"Tavimo", "tavimo"});
    SoundDevices devices{nullptr,
                         nullptr,
                         std::make_unique<platform::PulseMixerBackend>(pulse),
                         std::make_unique<platform::PulseLiveInput>(pulse),
                         std::make_unique<platform::PulseVoiceMonitor>(pulse),
                         std::make_unique<platform::PulseSoundSources>(pulse)};
    // On PipeWire the take's two streams are its own: their timing comes
    // from the graph's clock, which its PulseAudio service reports only a
    // cycle late. Volumes, devices and the singing aids go well either way.
    if (platform::FindSoundServer(*pulse) == platform::SoundServerKind::PipeWire) {
        const auto pipewire = std::make_shared<platform::PipeWireServer>("Tavimo", "tavimo");
        devices.input = std::make_unique<platform::PipeWireAudioInput>(pipewire);
        devices.player = std::make_unique<platform::PipeWireWavPlayer>(pipewire);
    } else {
        devices.input = std::make_unique<platform::PulseAudioInput>(pulse);
        devices.player = std::make_unique<platform::PulseWavPlayer>(pulse);
    }
    return devices;
}
