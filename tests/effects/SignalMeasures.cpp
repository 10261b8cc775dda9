#include "tests/effects/SignalMeasures.h"

#include <cmath>

double ZeroCrossingFrequency(const std::vector<int16_t>& mono, int sampleRate) {
    const size_t from = mono.size() / 4;
    const size_t to = 3 * mono.size() / 4;
    double first = -1, last = -1;
    int crossings = 0;
    for (size_t i = from; i + 1 < to; ++i) {
        if (mono[i] < 0 && mono[i + 1] >= 0) {
            const double at = i + double(mono[i]) / (double(mono[i]) - mono[i + 1]);
            if (first < 0) first = at;
            last = at;
            ++crossings;
        }
    }
    return crossings > 1 ? (crossings - 1) * double(sampleRate) / (last - first) : 0;
}

double SchroederRt60(const std::vector<double>& response, int sampleRate) {
    std::vector<double> remaining(response.size() + 1, 0.0);
    for (size_t i = response.size(); i-- > 0;)
        remaining[i] = remaining[i + 1] + response[i] * response[i];
    if (remaining[0] <= 0) return 0;
    // A least-squares line through the curve between -5 and -25 dB.
    double n = 0, sumT = 0, sumL = 0, sumTT = 0, sumTL = 0;
    for (size_t i = 0; i < response.size(); ++i) {
        const double level = 10 * std::log10(remaining[i] / remaining[0]);
        if (level > -5) continue;
        if (level < -25) break;
        const double t = double(i) / sampleRate;
        n += 1;
        sumT += t;
        sumL += level;
        sumTT += t * t;
        sumTL += t * level;
    }
    if (n < 2) return 0;
    const double slope = (n * sumTL - sumT * sumL) / (n * sumTT - sumT * sumT);
    return slope < 0 ? -60 / slope : 0;
}
