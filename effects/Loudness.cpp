#include "effects/Loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "effects/PendingWavFile.h"
#include "effects/SampleConversion.h"
#include "effects/WavBlockReader.h"

namespace effects {
namespace {

constexpr size_t kBlockFrames = 16384;

// Rounding the scaled samples to 16 bits moves a peak by up to half a step;
// this keeps a peak put exactly at the ceiling from landing a hair above it.
constexpr double kRoundingMarginDb = 0.01;

struct MeterFree {
    void operator()(ebur128_state* state) const { ebur128_destroy(&state); }
};
using Meter = std::unique_ptr<ebur128_state, MeterFree>;

Failure MeterFailure(int code) {
    return {FailureCause::Internal, QStringLiteral("响度测量失败 (libebur128 错误 %1)").arg(code),
            FailureNotice::Prompt, code};
}

double ToDb(double linear) {
    return linear > 0 ? 20.0 * std::log10(linear) : -std::numeric_limits<double>::infinity();
}

}  // namespace

Result<LoudnessFigures> MeasureLoudness(const std::string& path) {
    Result<WavBlockReader> reader = WavBlockReader::open(path);
    if (!reader) return reader.failure();
    const WavFormat format = reader->format();
    Meter meter(ebur128_init(static_cast<unsigned>(format.channels),
                             static_cast<unsigned long>(format.sampleRate),
                             EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK));
    if (!meter) return MeterFailure(EBUR128_ERROR_NOMEM);
    std::vector<int16_t> block(kBlockFrames * static_cast<size_t>(format.channels));
    for (;;) {
        Result<size_t> got = reader->read(block);
        if (!got) return got.failure();
        if (got.value() == 0) break;
        if (const int error = ebur128_add_frames_short(meter.get(), block.data(), got.value());
            error != EBUR128_SUCCESS)
            return MeterFailure(error);
    }
    LoudnessFigures figures;
    // A song shorter than one gating block has no integrated loudness; the
    // library says so with -HUGE_VAL (or, in some versions, an error).
    if (ebur128_loudness_global(meter.get(), &figures.integratedLufs) != EBUR128_SUCCESS)
        figures.integratedLufs = -std::numeric_limits<double>::infinity();
    double peak = 0;
    for (int channel = 0; channel < format.channels; ++channel) {
        double channelPeak = 0;
        if (const int error =
                ebur128_true_peak(meter.get(), static_cast<unsigned>(channel), &channelPeak);
            error != EBUR128_SUCCESS)
            return MeterFailure(error);
        peak = std::max(peak, channelPeak);
    }
    figures.truePeakDbtp = ToDb(peak);
    return figures;
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
