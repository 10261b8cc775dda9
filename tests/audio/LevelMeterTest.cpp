// The level meter's readings: the level of sine waves and silence in dBFS,
// the peak that holds and then falls, and clipping.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "audio/LevelMeter.h"

namespace {

using namespace std::chrono_literals;

std::vector<int16_t> Sine(double amplitude, size_t count = 4410) {
    std::vector<int16_t> s(count);
    for (size_t i = 0; i < count; ++i) {
        s[i] = static_cast<int16_t>(
            std::lround(amplitude * 32767 * std::sin(2 * std::numbers::pi * 1000 * i / 44100.0)));
    }
    return s;
}

}  // namespace

TEST(LevelMeter, ReadsSinesInDbfsSilenceAtTheFloorAndFullScaleAsClipping) {
    const auto now = platform::SoundClock::now();
    LevelMeter meter;
    EXPECT_EQ(LevelMeter::kFloorDb, meter.read(now).levelDb);  // nothing heard yet

    const auto half = Sine(0.5);
    meter.add(half.data(), half.size());
    const LevelReading six = meter.read(now);
    EXPECT_NEAR(-6.0, six.levelDb, 0.1);
    EXPECT_FALSE(six.clipping);

    meter.reset();
    const std::vector<int16_t> silence(4410, 0);
    meter.add(silence.data(), silence.size());
    EXPECT_EQ(LevelMeter::kFloorDb, meter.read(now).levelDb);

    const auto full = Sine(1.0);
    meter.add(full.data(), full.size());
    EXPECT_TRUE(meter.read(now).clipping);
    // Just below the clipping line is no clipping.
    meter.reset();
    const auto loud = Sine(std::pow(10.0, -1.2 / 20));
    meter.add(loud.data(), loud.size());
    EXPECT_FALSE(meter.read(now).clipping);
}

TEST(LevelMeter, ThePeakHoldsAboutASecondAndAHalfThenFollowsTheLevel) {
    const auto start = platform::SoundClock::now();
    LevelMeter meter;
    const auto full = Sine(1.0);
    const auto quiet = Sine(0.01);
    meter.add(full.data(), full.size());
    meter.read(start);
    meter.add(quiet.data(), quiet.size());
    LevelReading r = meter.read(start + 1400ms);
    EXPECT_NEAR(-40, r.levelDb, 0.5);
    EXPECT_NEAR(0, r.peakDb, 0.1);
    EXPECT_TRUE(r.clipping);  // red while the clip's peak is held
    // No new sound: the last level stands, and the held peak lets go.
    r = meter.read(start + 1500ms);
    EXPECT_NEAR(-40, r.levelDb, 0.5);
    EXPECT_NEAR(-40, r.peakDb, 0.5);
    EXPECT_FALSE(r.clipping);
}
