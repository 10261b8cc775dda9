#include "site/songmaker/Instruments.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

double Frequency(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

// Calls `sample(t)` for every frame from `start` for `length` seconds and adds
// its value to both channels with the given gains.
template <typename Sample>
void Play(StereoMix& mix, double start, double length, float leftGain, float rightGain,
          Sample sample) {
    const double rate = mix.sampleRateHz;
    const size_t first = static_cast<size_t>(std::max(0.0, std::round(start * rate)));
    const size_t count = static_cast<size_t>(std::max(0.0, length * rate));
    const size_t last = std::min(mix.frames(), first + count);
    for (size_t i = first; i < last; ++i) {
        const float v = static_cast<float>(sample((i - first) / rate));
        mix.left[i] += v * leftGain;
        mix.right[i] += v * rightGain;
    }
}

// Rises linearly over `attack`, falls linearly over the last `release` of `length`.
double Edges(double t, double length, double attack, double release) {
    double gain = 1;
    if (t < attack) gain = t / attack;
    if (t > length - release) gain = std::min(gain, std::max(0.0, (length - t) / release));
    return gain;
}

}  // namespace

StereoMix::StereoMix(int rateHz, double seconds)
    : sampleRateHz(rateHz),
      left(static_cast<size_t>(std::ceil(seconds * rateHz)), 0.0f),
      right(left.size(), 0.0f) {}

float Noise::next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<float>(state_ / 2147483648.0 - 1.0);
}

void PlayLead(StereoMix& mix, double start, double length, int midi) {
    const double f = Frequency(midi);
    const double release = 0.08;
    Play(mix, start, length + release, 0.20f, 0.20f, [&](double t) {
        // A gentle vibrato once the note has settled, as a singer or flute would.
        const double vibrato = t > 0.2 ? 0.003 * std::sin(kTwoPi * 5.0 * t) : 0.0;
        const double phase = kTwoPi * f * t * (1 + vibrato);
        const double wave = std::sin(phase) + 0.35 * std::sin(2 * phase) +
                            0.15 * std::sin(3 * phase) + 0.05 * std::sin(4 * phase);
        const double decay = t < 0.1 ? 1 - 0.25 * t / 0.1 : 0.75;
        return wave * decay * Edges(t, length + release, 0.02, release);
    });
}

void PlayPiano(StereoMix& mix, double start, double ring, int midi, float loudness) {
    const double f = Frequency(midi);
    Play(mix, start, ring, 0.8f * loudness, loudness, [&](double t) {
        double wave = 0;
        for (int k = 1; k <= 6; ++k) {
            wave +=
                std::sin(kTwoPi * f * k * t) * std::exp(-t * (1.5 + 0.8 * k)) / std::pow(k, 1.5);
        }
        return wave * Edges(t, ring, 0.004, 0.03);
    });
}

void PlayBass(StereoMix& mix, double start, double length, int midi) {
    const double f = Frequency(midi);
    Play(mix, start, length, 0.28f, 0.28f, [&](double t) {
        const double phase = kTwoPi * f * t;
        return (std::sin(phase) + 0.3 * std::sin(2 * phase)) * std::exp(-t / 0.6) *
               Edges(t, length, 0.005, 0.04);
    });
}

void PlayKick(StereoMix& mix, double start) {
    double phase = 0;
    const double step = 1.0 / mix.sampleRateHz;
    Play(mix, start, 0.3, 0.45f, 0.45f, [&](double t) {
        // The pitch falls fast from a click to a thump.
        phase += kTwoPi * (50 + 90 * std::exp(-t / 0.03)) * step;
        return std::sin(phase) * std::exp(-t / 0.12);
    });
}

void PlaySnare(StereoMix& mix, double start, Noise& noise) {
    Play(mix, start, 0.2, 0.2f, 0.2f, [&](double t) {
        return noise.next() * std::exp(-t / 0.06) +
               0.8 * std::sin(kTwoPi * 190 * t) * std::exp(-t / 0.05);
    });
}

void PlayHat(StereoMix& mix, double start, float loudness, Noise& noise) {
    float previous = 0;
    Play(mix, start, 0.08, 0.07f * loudness, 0.05f * loudness, [&](double t) {
        // The difference of successive noise samples keeps only the hiss.
        const float n = noise.next();
        const float hiss = n - previous;
        previous = n;
        return hiss * std::exp(-t / 0.02);
    });
}

void Master(StereoMix& mix, float peak, double fadeSeconds) {
    float loudest = 0;
    for (size_t i = 0; i < mix.frames(); ++i) {
        loudest = std::max({loudest, std::abs(mix.left[i]), std::abs(mix.right[i])});
    }
    const float scale = loudest > 0 ? peak / loudest : 0;
    const size_t fadeFrames = static_cast<size_t>(fadeSeconds * mix.sampleRateHz);
    const size_t fadeStart = mix.frames() > fadeFrames ? mix.frames() - fadeFrames : 0;
    for (size_t i = 0; i < mix.frames(); ++i) {
        float gain = scale;
        if (i >= fadeStart && fadeFrames > 0) {
            gain *= static_cast<float>(mix.frames() - i) / fadeFrames;
        }
        mix.left[i] *= gain;
        mix.right[i] *= gain;
    }
}
