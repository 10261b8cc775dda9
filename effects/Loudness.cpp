#include "effects/Loudness.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "effects/LoudnessMeter.h"
#include "effects/PendingWavFile.h"
#include "effects/SampleConversion.h"
#include "effects/WavBlockReader.h"

namespace effects {
namespace {

constexpr size_t kBlockFrames = 16384;

// Rounding the scaled samples to 16 bits moves a peak by up to half a step;
// this keeps a peak put exactly at the ceiling from landing a hair above it.
constexpr double kRoundingMarginDb = 0.01;

}  // namespace

Result<LoudnessFigures> MeasureLoudness(const std::string& path) {
    Result<WavBlockReader> reader = WavBlockReader::open(path);
    if (!reader) return reader.failure();
    Result<LoudnessMeter> meter = LoudnessMeter::create(reader->format());
    if (!meter) return meter.failure();
    std::vector<int16_t> block(kBlockFrames * static_cast<size_t>(reader->format().channels));
    for (;;) {
        Result<size_t> got = reader->read(block);
        if (!got) return got.failure();
        if (got.value() == 0) break;
        const size_t samples = got.value() * static_cast<size_t>(reader->format().channels);
        if (Status added = meter->add(std::span(block.data(), samples)); !added)
            return added.failure();
    }
    return meter->figures();
}

double LoudnessGainDb(const LoudnessFigures& figures) {
    if (!std::isfinite(figures.integratedLufs) || !std::isfinite(figures.truePeakDbtp)) return 0.0;
    const double toTarget = kTargetLufs - figures.integratedLufs;
    const double toCeiling = kTruePeakCeilingDbtp - kRoundingMarginDb - figures.truePeakDbtp;
    return std::min(toTarget, toCeiling);
}

Status ApplyGainDb(const std::string& input, const std::string& output, double gainDb) {
    Result<WavBlockReader> reader = WavBlockReader::open(input);
    if (!reader) return reader.failure();
    Result<PendingWavFile> writer = PendingWavFile::create(output, reader->format());
    if (!writer) return writer.failure();
    const double factor = std::pow(10.0, gainDb / 20.0);
    std::vector<int16_t> block(kBlockFrames * static_cast<size_t>(reader->format().channels));
    for (;;) {
        Result<size_t> got = reader->read(block);
        if (!got) return got.failure();
        if (got.value() == 0) break;
        const size_t samples = got.value() * static_cast<size_t>(reader->format().channels);
        for (size_t i = 0; i < samples; ++i)
            block[i] = SaturateToInt16(
                static_cast<int32_t>(std::clamp(std::lround(block[i] * factor), -32768L, 32767L)));
        if (Status appended = writer->append(std::span(block.data(), samples)); !appended)
            return appended;
    }
    return writer->commit();
}

}  // namespace effects
