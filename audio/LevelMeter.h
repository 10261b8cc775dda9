#pragma once
// The microphone's level as the meter shows it: the peak of the sound since
// the last reading, in dBFS (0 is full scale, kFloorDb silence), a peak
// that holds for kPeakHold before it falls back to the level, and clipping
// while the held peak is at kClipDb or above.
// No toolkit and no threads: readings at a fixed rate, sound in between.

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "platform/SoundClock.h"

struct LevelReading {
    double levelDb = -90;
    double peakDb = -90;
    bool clipping = false;
};

class LevelMeter {
public:
    static constexpr double kFloorDb = -90;
    static constexpr double kClipDb = -1;
    static constexpr std::chrono::milliseconds kPeakHold{1500};

    // The peak of 16-bit samples in dBFS, kFloorDb at the least.
    static double PeakDb(const int16_t* samples, size_t count);

    void add(const int16_t* samples, size_t count);

    // The level since the last reading (the last level again when no sound
    // came in between), and the held peak at `now`.
    LevelReading read(platform::SoundTime now);

    // Back to silence, as before any sound.
    void reset();

private:
    int peakSample_ = -1;  // largest magnitude since the last reading; -1: none
    double levelDb_ = kFloorDb;
    double heldDb_ = kFloorDb;
    platform::SoundTime heldSince_{};
};
