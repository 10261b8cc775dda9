#pragma once
// The latency test's sound: a few short upward sweeps at irregular times,
// and where they are found again in a recording of the microphone. Each
// sweep is looked for on its own by normalised cross-correlation within
// kSearchMs of where it was played; a sweep counts as heard when the match
// is close (kMinMatch) and loud enough to be more than hiss. The delay is
// believed only when most sweeps are heard, all at one delay (within
// kAgreementMs of their median) and within kMaxDelayMs.
// No toolkit and no threads.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace calibration {

constexpr int kRateHz = 44100;
constexpr int kSearchMs = 520;
constexpr int kMaxDelayMs = 500;
constexpr double kAgreementMs = 3.0;
constexpr double kMinMatch = 0.4;
constexpr double kMinToneDb = -60;
constexpr size_t kMinHeard = 4;

struct ToneSeries {
    std::vector<int16_t> samples;  // mono, kRateHz
    std::vector<int64_t> onsets;   // where each sweep starts
    size_t toneFrames = 0;
};

// The same series every time: its length leaves room for the latest delay
// that is believed.
ToneSeries MakeToneSeries();

enum class ToneVerdict {
    Found,         // `delayMs` holds
    NotHeard,      // too few sweeps in the recording
    Inconsistent,  // heard at different delays
    OutOfRange,    // heard at one delay, beyond kMaxDelayMs
};

struct ToneFinding {
    ToneVerdict verdict = ToneVerdict::NotHeard;
    double delayMs = 0;               // the median of the sweeps heard
    std::vector<double> heardDelaysMs;
};

// Where the sweeps of `played` lie in `recorded` (mono, kRateHz, sample 0
// at the moment the series' sample 0 was heard): how much later than that.
ToneFinding FindTones(const ToneSeries& played, const std::vector<int16_t>& recorded);

}  // namespace calibration
