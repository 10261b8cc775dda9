#pragma once
// The sound services the main window works with: microphone capture, the
// player of the work files, the mixer and the singing aids, made for the session's sound
// server. UI thread only.

#include <memory>

#include "platform/AudioInput.h"
#include "platform/LiveInput.h"
#include "platform/MixerBackend.h"
#include "platform/SoundSources.h"
#include "platform/VoiceMonitor.h"
#include "platform/WavPlayer.h"

struct SoundDevices {
    std::unique_ptr<platform::AudioInput> input;
    std::unique_ptr<platform::WavPlayer> player;
    std::unique_ptr<platform::MixerBackend> mixer;
    // The singing aids: the level meter's input, hearing oneself, the
    // microphones to choose from.
    std::unique_ptr<platform::LiveInput> liveInput;
    std::unique_ptr<platform::VoiceMonitor> monitor;
    std::unique_ptr<platform::SoundSources> sources;
};

// One connection to the sound server serves them all.
SoundDevices OpenSoundDevices();
