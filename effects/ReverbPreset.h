#pragma once
// The voice's reverb settings the singer chooses from, in order of decay,
// with the reverberation time (RT60) each one is made to have. Plain values;
// any thread.

#include <QString>

namespace effects {

enum class ReverbPreset {
    None,         // "无": the voice as sung
    Ktv,          // "KTV": a small, lively room
    Studio,       // "录音棚": a larger room
    ConcertHall,  // "音乐厅": a hall
};

// None is neutral: the caller leaves the voice's samples untouched.
constexpr bool IsNeutralReverb(ReverbPreset preset) { return preset == ReverbPreset::None; }

// The name the mixing window shows.
QString ReverbPresetName(ReverbPreset preset);

struct Rt60Range {
    double lowSeconds = 0;
    double highSeconds = 0;
};

// What the preset's impulse response decays in, by 60 dB (0 … 0 for None).
Rt60Range StatedRt60(ReverbPreset preset);

}  // namespace effects
