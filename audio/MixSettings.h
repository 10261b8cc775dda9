#pragma once
// How the singer wants a take mixed beyond the plain mix: the voice's and
// the accompaniment's volumes, a reverb on the voice, and even loudness for
// the finished mix. With every value at its default the mix is the plain
// mix, byte for byte. Plain values; any thread.

#include "effects/ReverbPreset.h"

struct MixSettings {
    int voicePercent = 100;          // 0 … 200
    int accompanimentPercent = 100;  // 0 … 200
    effects::ReverbPreset reverb = effects::ReverbPreset::None;
    bool evenLoudness = false;  // the mix at -14 LUFS, its true peak at most -1 dBTP

    bool operator==(const MixSettings&) const = default;
};
