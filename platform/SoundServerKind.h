#pragma once
// Which sound server the session runs: PulseAudio itself, or PipeWire
// (whose PulseAudio service answers as "PulseAudio (on PipeWire …)").
// TAVIMO_SOUND_SERVER=pulseaudio or =pipewire overrides what is found.

#include "platform/PulseServer.h"

namespace platform {

enum class SoundServerKind { PulseAudio, PipeWire };

// Asks the server over `pulse` (two seconds at most); without an answer,
// PipeWire when its own socket listens.
SoundServerKind FindSoundServer(PulseServer& pulse);

}  // namespace platform
