#pragma once
// Measures the effects' tests judge their output by.

#include <cstdint>
#include <vector>

// The frequency of a steady tone from its rising zero crossings over the
// middle half of `mono` (the start and end, where a processor settles, are
// left out), each crossing placed between samples by linear interpolation.
double ZeroCrossingFrequency(const std::vector<int16_t>& mono, int sampleRate);

// The reverberation time of an impulse response by Schroeder's backward
// integration: the energy decay curve's fall from -5 to -25 dB (T20),
// extrapolated to 60 dB. 0 when the response never falls that far.
double SchroederRt60(const std::vector<double>& response, int sampleRate);
