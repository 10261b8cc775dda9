#include "audio/LevelMeter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

double Db(int magnitude) {
    if (magnitude <= 0) return LevelMeter::kFloorDb;
    return std::max(LevelMeter::kFloorDb, 20.0 * std::log10(magnitude / 32768.0));
}

int PeakMagnitude(const int16_t* samples, size_t count) {
    int peak = 0;
    for (size_t i = 0; i < count; ++i) peak = std::max(peak, std::abs(int(samples[i])));
    return peak;
}

}  // namespace

double LevelMeter::PeakDb(const int16_t* samples, size_t count) {
    return Db(PeakMagnitude(samples, count));
}

void LevelMeter::add(const int16_t* samples, size_t count) {
    if (count == 0) return;
    peakSample_ = std::max(peakSample_, PeakMagnitude(samples, count));
}

LevelReading LevelMeter::read(platform::SoundTime now) {
    if (peakSample_ >= 0) levelDb_ = Db(peakSample_);
    peakSample_ = -1;
    if (levelDb_ >= heldDb_ || now - heldSince_ >= kPeakHold) {
        heldDb_ = levelDb_;
        heldSince_ = now;
    }
    return {levelDb_, heldDb_, heldDb_ >= kClipDb};
}

void LevelMeter::reset() { *this = LevelMeter(); }
