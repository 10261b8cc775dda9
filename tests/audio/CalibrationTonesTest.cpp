// Finding the latency test's sweeps in a microphone's recording: at the
// delay they were heard, and refused when they were not heard, came at
// different delays or too late.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "audio/CalibrationTones.h"

namespace {

using calibration::ToneVerdict;

// The series as a microphone hears it `delayMs` late (each sweep moved by
// its own extra in `jitterMs`), at `gain`, over hiss of `noise` (full scale 1).
std::vector<int16_t> Heard(const calibration::ToneSeries& s, double delayMs, double gain,
                           double noise, std::vector<double> jitterMs = {}) {
    std::vector<int16_t> out(s.samples.size(), 0);
    std::mt19937 random(7);
    std::normal_distribution<double> hiss(0, noise * 32767);
    for (size_t t = 0; t < s.onsets.size(); ++t) {
        const double shift = delayMs + (t < jitterMs.size() ? jitterMs[t] : 0);
        const auto to = s.onsets[t] + static_cast<int64_t>(std::lround(shift * 44.1));
        for (size_t k = 0; k < s.toneFrames; ++k) {
            if (to + int64_t(k) >= 0 && size_t(to) + k < out.size())
                out[size_t(to) + k] = static_cast<int16_t>(s.samples[size_t(s.onsets[t]) + k] * gain);
        }
    }
    for (int16_t& v : out) v = static_cast<int16_t>(std::clamp(v + hiss(random), -32768.0, 32767.0));
    return out;
}

}  // namespace

TEST(CalibrationTones, FindsTheDelayOfQuietSweepsInHissEarlyOrLate) {
    const calibration::ToneSeries s = calibration::MakeToneSeries();
    ASSERT_GE(s.onsets.size(), calibration::kMinHeard);
    for (const double delay : {40.0, 0.0, -25.3, 312.7}) {
        const auto found = calibration::FindTones(s, Heard(s, delay, 0.05, 0.005));
        ASSERT_EQ(ToneVerdict::Found, found.verdict) << delay;
        EXPECT_NEAR(delay, found.delayMs, 0.1) << delay;
    }
}

TEST(CalibrationTones, RefusesSilenceNoiseOddDelaysAndTooLate) {
    const calibration::ToneSeries s = calibration::MakeToneSeries();
    EXPECT_EQ(ToneVerdict::NotHeard,
              calibration::FindTones(s, std::vector<int16_t>(s.samples.size(), 0)).verdict);
    EXPECT_EQ(ToneVerdict::NotHeard, calibration::FindTones(s, Heard(s, 40, 0, 0.2)).verdict);
    EXPECT_EQ(ToneVerdict::NotHeard, calibration::FindTones(s, {}).verdict);
    EXPECT_EQ(ToneVerdict::Inconsistent,
              calibration::FindTones(s, Heard(s, 40, 0.3, 0.001, {0, 0, 15, 0, 0, 30})).verdict);
    EXPECT_EQ(ToneVerdict::OutOfRange,
              calibration::FindTones(s, Heard(s, 510, 0.3, 0.001)).verdict);
}
