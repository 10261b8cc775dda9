#include "audio/CalibrationTones.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace calibration {
namespace {

constexpr int kLeadMs = 300;
// Wider apart than two searches, so that no sweep is taken for another.
constexpr int kGapsMs[] = {1150, 1300, 1200, 1400, 1250};
constexpr int kToneMs = 30;
constexpr int kFadeMs = 3;
constexpr double kLowHz = 800;
constexpr double kHighHz = 3500;
constexpr int kDecimation = 4;  // of the coarse search

int64_t Frames(double ms) { return static_cast<int64_t>(std::lround(ms * kRateHz / 1000.0)); }

std::vector<float> Sweep() {
    const int64_t frames = Frames(kToneMs);
    const int64_t fade = Frames(kFadeMs);
    std::vector<float> sweep(static_cast<size_t>(frames));
    const double seconds = kToneMs / 1000.0;
    for (int64_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRateHz;
        const double phase =
            2 * std::numbers::pi * (kLowHz * t + (kHighHz - kLowHz) * t * t / (2 * seconds));
        double gain = 1;
        if (i < fade) gain = 0.5 - 0.5 * std::cos(std::numbers::pi * i / fade);
        if (frames - 1 - i < fade) gain = 0.5 - 0.5 * std::cos(std::numbers::pi * (frames - 1 - i) / fade);
        sweep[static_cast<size_t>(i)] = static_cast<float>(0.5 * gain * std::sin(phase));
    }
    return sweep;
}

std::vector<float> Decimated(const float* samples, size_t count) {
    std::vector<float> out(count / kDecimation);
    for (size_t i = 0; i < out.size(); ++i) {
        float sum = 0;
        for (int k = 0; k < kDecimation; ++k) sum += samples[i * kDecimation + size_t(k)];
        out[i] = sum / kDecimation;
    }
    return out;
}

// Normalised cross-correlation of `pattern` with `signal` at each start in
// [first, last]; the best start and its match.
struct Match {
    int64_t at = 0;
    double score = -1;
};

Match BestMatch(const std::vector<float>& pattern, const std::vector<float>& signal,
                const std::vector<double>& energyBefore, int64_t first, int64_t last) {
    const auto length = static_cast<int64_t>(pattern.size());
    double patternEnergy = 0;
    for (float p : pattern) patternEnergy += double(p) * p;
    first = std::max<int64_t>(first, 0);
    last = std::min<int64_t>(last, static_cast<int64_t>(signal.size()) - length);
    Match best;
    for (int64_t at = first; at <= last; ++at) {
        const double energy = energyBefore[size_t(at + length)] - energyBefore[size_t(at)];
        if (energy <= 1e-12) continue;
        double sum = 0;
        const float* s = signal.data() + at;
        for (int64_t k = 0; k < length; ++k) sum += double(pattern[size_t(k)]) * s[k];
        const double score = sum / std::sqrt(patternEnergy * energy);
        if (score > best.score) best = {at, score};
    }
    return best;
}

std::vector<double> EnergyBefore(const std::vector<float>& signal) {
    std::vector<double> before(signal.size() + 1, 0.0);
    for (size_t i = 0; i < signal.size(); ++i) before[i + 1] = before[i] + double(signal[i]) * signal[i];
    return before;
}

double PeakDb(const std::vector<float>& signal, int64_t at, size_t length) {
    float peak = 0;
    for (size_t k = 0; k < length && size_t(at) + k < signal.size(); ++k) {
        peak = std::max(peak, std::abs(signal[size_t(at) + k]));
    }
    return peak > 0 ? 20 * std::log10(peak) : -200;
}

}  // namespace

ToneSeries MakeToneSeries() {
    const std::vector<float> sweep = Sweep();
    ToneSeries series;
    series.toneFrames = sweep.size();
    int64_t at = Frames(kLeadMs);
    series.onsets.push_back(at);
    for (int gap : kGapsMs) series.onsets.push_back(at += Frames(gap));
    const int64_t end = at + Frames(kToneMs + kSearchMs + 100);
    series.samples.assign(static_cast<size_t>(end), 0);
    for (int64_t onset : series.onsets) {
        for (size_t k = 0; k < sweep.size(); ++k) {
            series.samples[size_t(onset) + k] = static_cast<int16_t>(std::lround(sweep[k] * 32767));
        }
    }
    return series;
}

ToneFinding FindTones(const ToneSeries& played, const std::vector<int16_t>& recorded) {
    ToneFinding finding;
    if (played.onsets.empty()) return finding;
    std::vector<float> signal(recorded.size());
    for (size_t i = 0; i < recorded.size(); ++i) signal[i] = recorded[i] / 32768.0f;
    std::vector<float> sweep(played.toneFrames);
    const auto first = size_t(played.onsets.front());
    for (size_t k = 0; k < sweep.size(); ++k) sweep[k] = played.samples[first + k] / 32768.0f;

    const std::vector<float> coarseSignal = Decimated(signal.data(), signal.size());
    const std::vector<float> coarseSweep = Decimated(sweep.data(), sweep.size());
    const std::vector<double> coarseEnergy = EnergyBefore(coarseSignal);
    const std::vector<double> energy = EnergyBefore(signal);
    const int64_t search = Frames(kSearchMs);

    for (int64_t onset : played.onsets) {
        const Match coarse = BestMatch(coarseSweep, coarseSignal, coarseEnergy,
                                       (onset - search) / kDecimation,
                                       (onset + search) / kDecimation);
        if (coarse.score < kMinMatch / 2) continue;
        const int64_t around = coarse.at * kDecimation;
        const Match fine =
            BestMatch(sweep, signal, energy, around - 2 * kDecimation, around + 2 * kDecimation);
        if (fine.score < kMinMatch || PeakDb(signal, fine.at, sweep.size()) < kMinToneDb) continue;
        finding.heardDelaysMs.push_back(1000.0 * double(fine.at - onset) / kRateHz);
    }
    if (finding.heardDelaysMs.size() < std::min(kMinHeard, played.onsets.size())) return finding;
    std::vector<double> sorted = finding.heardDelaysMs;
    std::sort(sorted.begin(), sorted.end());
    finding.delayMs = sorted[sorted.size() / 2];
    const bool agree = std::all_of(sorted.begin(), sorted.end(), [&](double d) {
        return std::abs(d - finding.delayMs) <= kAgreementMs;
    });
    if (!agree) {
        finding.verdict = ToneVerdict::Inconsistent;
    } else if (std::abs(finding.delayMs) > kMaxDelayMs) {
        finding.verdict = ToneVerdict::OutOfRange;
    } else {
        finding.verdict = ToneVerdict::Found;
    }
    return finding;
}

}  // namespace calibration
