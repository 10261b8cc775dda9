#include "effects/LoudnessMeter.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace effects {
namespace {

Failure MeterFailure(int code) {
    return {FailureCause::Internal, QStringLiteral("响度测量失败 (libebur128 错误 %1)").arg(code),
            FailureNotice::Prompt, code};
}

double ToDb(double linear) {
    return linear > 0 ? 20.0 * std::log10(linear) : -std::numeric_limits<double>::infinity();
}

}  // namespace

struct LoudnessMeter::State {
    explicit State(ebur128_state* made) : meter(made) {}
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State() { ebur128_destroy(&meter); }
    ebur128_state* meter;
};

Result<LoudnessMeter> LoudnessMeter::create(const WavFormat& format) {
    ebur128_state* made = ebur128_init(static_cast<unsigned>(format.channels),
                                       static_cast<unsigned long>(format.sampleRate),
                                       EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    if (!made) return MeterFailure(EBUR128_ERROR_NOMEM);
    return LoudnessMeter(std::make_unique<State>(made), format.channels);
}

LoudnessMeter::LoudnessMeter(std::unique_ptr<State> state, int channels)
    : state_(std::move(state)), channels_(channels) {}
LoudnessMeter::LoudnessMeter(LoudnessMeter&&) noexcept = default;
LoudnessMeter& LoudnessMeter::operator=(LoudnessMeter&&) noexcept = default;
LoudnessMeter::~LoudnessMeter() = default;

Status LoudnessMeter::add(std::span<const int16_t> samples) {
    const size_t frames = samples.size() / static_cast<size_t>(channels_);
    if (frames == 0) return {};
    if (const int error = ebur128_add_frames_short(state_->meter, samples.data(), frames);
        error != EBUR128_SUCCESS)
        return MeterFailure(error);
    return {};
}

Result<LoudnessFigures> LoudnessMeter::figures() const {
    LoudnessFigures figures;
    // A song shorter than one gating block has no integrated loudness; the
    // library says so with -HUGE_VAL (or, in some versions, an error).
    if (ebur128_loudness_global(state_->meter, &figures.integratedLufs) != EBUR128_SUCCESS)
        figures.integratedLufs = -std::numeric_limits<double>::infinity();
    double peak = 0;
    for (int channel = 0; channel < channels_; ++channel) {
        double channelPeak = 0;
        if (const int error =
                ebur128_true_peak(state_->meter, static_cast<unsigned>(channel), &channelPeak);
            error != EBUR128_SUCCESS)
            return MeterFailure(error);
        peak = std::max(peak, channelPeak);
    }
    figures.truePeakDbtp = ToDb(peak);
    return figures;
}

}  // namespace effects
