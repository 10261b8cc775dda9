#include "tests/decoder/Mp3Sources.h"

#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "tests/support/WavFiles.h"

std::vector<int16_t> Chirp(double startHz, double endHz, double seconds, int sampleRate,
                           double amplitude) {
    const auto count = static_cast<size_t>(std::llround(seconds * sampleRate));
    std::vector<int16_t> out(count);
    for (size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const double phase =
            2 * std::numbers::pi * (startHz * t + (endHz - startHz) * t * t / (2 * seconds));
        out[i] = static_cast<int16_t>(std::lround(amplitude * std::sin(phase)));
    }
    return out;
}

std::vector<int16_t> FullScaleSquare(double frequency, double seconds, int sampleRate) {
    const auto count = static_cast<size_t>(std::llround(seconds * sampleRate));
    std::vector<int16_t> out(count);
    for (size_t i = 0; i < count; ++i) {
        const double cycles = frequency * static_cast<double>(i) / sampleRate;
        out[i] = cycles - std::floor(cycles) < 0.5 ? int16_t{32767} : int16_t{-32768};
    }
    return out;
}

std::vector<int16_t> Interleave(const std::vector<int16_t>& left,
                                const std::vector<int16_t>& right) {
    std::vector<int16_t> out;
    out.reserve(left.size() * 2);
    for (size_t i = 0; i < left.size() && i < right.size(); ++i) {
        out.push_back(left[i]);
        out.push_back(right[i]);
    }
    return out;
}

QString EncodeMp3(const QString& mp3Path, int channels, int sampleRate,
                  const std::vector<int16_t>& samples, const QStringList& lameArguments) {
    const QString wavPath = mp3Path + QStringLiteral(".source.wav");
    WriteWavFile(wavPath, channels, sampleRate, samples);
    QProcess lame;
    lame.setProcessChannelMode(QProcess::MergedChannels);
    lame.start(QStringLiteral("lame"), QStringList{QStringLiteral("--quiet")} + lameArguments +
                                           QStringList{wavPath, mp3Path});
    if (!lame.waitForStarted(10000)) return QStringLiteral("lame did not start");
    if (!lame.waitForFinished(120000)) {
        lame.kill();
        lame.waitForFinished(5000);
        return QStringLiteral("lame did not finish");
    }
    const QString output = QString::fromLocal8Bit(lame.readAll());
    if (lame.exitStatus() != QProcess::NormalExit || lame.exitCode() != 0)
        return QStringLiteral("lame failed: ") + output;
    if (QFileInfo(mp3Path).size() == 0) return QStringLiteral("lame wrote nothing");
    return QString();
}

Alignment CompareAt(const std::vector<int16_t>& source, const std::vector<int16_t>& decoded,
                    int offset, size_t begin, size_t end) {
    Alignment a;
    a.offset = offset;
    // Only source samples whose partner lies inside the decoded signal.
    if (offset < 0) begin = std::max(begin, static_cast<size_t>(-offset));
    const int64_t decodedEnd = static_cast<int64_t>(decoded.size()) - offset;
    end = std::min({end, source.size(), static_cast<size_t>(std::max<int64_t>(decodedEnd, 0))});
    double cross = 0, sourceEnergy = 0, decodedEnergy = 0;
    for (size_t i = begin; i < end; ++i) {
        const double s = source[i];
        const double d = decoded[static_cast<size_t>(static_cast<int64_t>(i) + offset)];
        cross += s * d;
        sourceEnergy += s * s;
        decodedEnergy += d * d;
    }
    if (end > begin && sourceEnergy > 0 && decodedEnergy > 0) {
        a.correlation = cross / std::sqrt(sourceEnergy * decodedEnergy);
        a.levelRatio = std::sqrt(decodedEnergy / sourceEnergy);
        a.overlap = end - begin;
    }
    return a;
}

Alignment Align(const std::vector<int16_t>& source, const std::vector<int16_t>& decoded,
                size_t begin, size_t count, int minOffset, int maxOffset) {
    const size_t end = std::min(source.size(), begin + count);
    bool found = false;
    int bestOffset = 0;
    double bestCross = 0;
    for (int offset = minOffset; offset <= maxOffset; ++offset) {
        if (static_cast<int64_t>(begin) + offset < 0) continue;
        if (static_cast<int64_t>(end) + offset > static_cast<int64_t>(decoded.size())) break;
        double cross = 0;
        for (size_t i = begin; i < end; ++i) cross += double(source[i]) * decoded[i + offset];
        if (!found || cross > bestCross) {
            found = true;
            bestOffset = offset;
            bestCross = cross;
        }
    }
    return found ? CompareAt(source, decoded, bestOffset, begin, end) : Alignment{};
}
