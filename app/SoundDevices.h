#pragma once
// The sound services the main window works with: microphone capture, the
// player of the work files and the mixer, made for the session's sound
// server. UI thread only.

#include <memory>

#include "platform/AudioInput.h"
#include "platform/MixerBackend.h"
#include "platform/WavPlayer.h"

struct SoundDevices {
    std::unique_ptr<platform::AudioInput> input;
    std::unique_ptr<platform::WavPlayer> player;
    std::unique_ptr<platform::MixerBackend> mixer;
};

// One connection to the sound server serves all three.
SoundDevices OpenSoundDevices();
