#pragma once
// Making and reading WAV work files in tests.

#include <QString>
#include <cstdint>
#include <vector>

#include "audio/WavHeader.h"

// Writes a 44-byte header for the format followed by `samples`; the header's
// sizes match the samples.
void WriteWavFile(const QString& path, int channels, int sampleRate,
                  const std::vector<int16_t>& samples);

// A sine tone of `seconds` at `frequency`, `amplitude` peak, interleaved over
// `channels` (the same signal in every channel).
std::vector<int16_t> SineSamples(double frequency, double seconds, int sampleRate, int channels,
                                 double amplitude = 12000.0);

struct WavContents {
    bool ok = false;
    WavHeader header{};
    int64_t fileBytes = 0;
    std::vector<int16_t> samples;  // from byte 44 to the end
};
WavContents ReadWavFile(const QString& path);

// The strongest frequency of a mono signal, by a scan of candidate
// frequencies (Goertzel), between `low` and `high` Hz in steps of `step`.
double DominantFrequency(const std::vector<int16_t>& mono, int sampleRate, double low = 50,
                         double high = 4000, double step = 5);

// The amplitude of the `frequency` component of a mono signal (a sine of
// peak A gives about A).
double ToneAmplitude(const std::vector<int16_t>& mono, int sampleRate, double frequency);

// One channel of an interleaved signal.
std::vector<int16_t> Channel(const std::vector<int16_t>& interleaved, int channels, int which);
