#include "tests/support/WavFiles.h"

#include <QFile>
#include <cmath>
#include <cstring>
#include <numbers>

void WriteWavFile(const QString& path, int channels, int sampleRate,
                  const std::vector<int16_t>& samples) {
    WavHeader header;
    InitWavHeader(header, channels, sampleRate, 16);
    header.dataSize = static_cast<uint32_t>(samples.size() * 2);
    header.riffSize = header.dataSize + 36;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
    file.write(reinterpret_cast<const char*>(&header), sizeof header);
    file.write(reinterpret_cast<const char*>(samples.data()),
               static_cast<qint64>(samples.size() * 2));
}

std::vector<int16_t> SineSamples(double frequency, double seconds, int sampleRate, int channels,
                                 double amplitude) {
    const auto frames = static_cast<size_t>(std::llround(seconds * sampleRate));
    std::vector<int16_t> out;
    out.reserve(frames * channels);
    for (size_t i = 0; i < frames; ++i) {
        const auto v = static_cast<int16_t>(
            std::lround(amplitude * std::sin(2 * std::numbers::pi * frequency * i / sampleRate)));
        for (int c = 0; c < channels; ++c) out.push_back(v);
    }
    return out;
}

WavContents ReadWavFile(const QString& path) {
    WavContents contents;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return contents;
    const QByteArray bytes = file.readAll();
    contents.fileBytes = bytes.size();
    if (bytes.size() < 44) return contents;
    std::memcpy(&contents.header, bytes.constData(), 44);
    contents.samples.resize(static_cast<size_t>((bytes.size() - 44) / 2));
    if (!contents.samples.empty())
        std::memcpy(contents.samples.data(), bytes.constData() + 44, contents.samples.size() * 2);
    contents.ok = true;
    return contents;
}

double DominantFrequency(const std::vector<int16_t>& mono, int sampleRate, double low, double high,
                         double step) {
    double best = 0;
    double bestPower = -1;
    for (double f = low; f <= high; f += step) {
        const double w = 2 * std::numbers::pi * f / sampleRate;
        const double coeff = 2 * std::cos(w);
        double s1 = 0, s2 = 0;
        for (int16_t x : mono) {
            const double s0 = x + coeff * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        const double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
        if (power > bestPower) {
            bestPower = power;
            best = f;
        }
    }
    return best;
}

std::vector<int16_t> Channel(const std::vector<int16_t>& interleaved, int channels, int which) {
    std::vector<int16_t> out;
    out.reserve(interleaved.size() / channels);
    for (size_t i = which; i < interleaved.size(); i += channels) out.push_back(interleaved[i]);
    return out;
}

double ToneAmplitude(const std::vector<int16_t>& mono, int sampleRate, double frequency) {
    if (mono.empty()) return 0;
    const double w = 2 * std::numbers::pi * frequency / sampleRate;
    double re = 0, im = 0;
    for (size_t i = 0; i < mono.size(); ++i) {
        re += mono[i] * std::cos(w * i);
        im -= mono[i] * std::sin(w * i);
    }
    return 2 * std::sqrt(re * re + im * im) / mono.size();
}
