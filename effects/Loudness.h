#pragma once
// "响度统一" for the saved song: its integrated loudness (EBU R128) and true
// peak measured through libebur128, the one gain that brings it to
// kTargetLufs without its true peak passing kTruePeakCeilingDbtp (a gain,
// never a limiter), and that gain applied to a WAV work file. Streams in
// blocks. Runs on the caller's thread; touches no Qt GUI object.

#include <string>

#include "base/Result.h"

namespace effects {

inline constexpr double kTargetLufs = -14.0;
inline constexpr double kTruePeakCeilingDbtp = -1.0;

struct LoudnessFigures {
    // -infinity for silence and for a song shorter than one 400 ms block.
    double integratedLufs = 0;
    // The highest true peak of any channel; -infinity for digital silence.
    double truePeakDbtp = 0;
};

Result<LoudnessFigures> MeasureLoudness(const std::string& path);

// The smaller of the gain to kTargetLufs and the gain that puts the true peak
// at the ceiling, in dB; 0 (neutral) when the loudness cannot be told.
double LoudnessGainDb(const LoudnessFigures& figures);

constexpr bool IsNeutralGainDb(double gainDb) { return gainDb == 0.0; }

// Writes `input` scaled by `gainDb` to `output`, saturated; `output` may be
// `input` (replaced once the scaled copy is complete).
Status ApplyGainDb(const std::string& input, const std::string& output, double gainDb);

}  // namespace effects
