#include "effects/KeyShift.h"

#include <rubberband/RubberBandStretcher.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <future>
#include <memory>
#include <vector>

#include "effects/PendingWavFile.h"
#include "effects/SampleConversion.h"
#include "effects/WavBlockReader.h"

namespace effects {
namespace {

using RubberBand::RubberBandStretcher;

// Frames per block read from the file and given to Rubber Band at once: about
// 0.4 s at 44.1 kHz, so progress is told a few times a second of work.
constexpr size_t kBlockFrames = 16384;

// The R2 ("faster") engine in real-time mode, chosen by measurement on this
// machine: R3 ("finer") took about 40 s for a 4-minute stereo song, far past
// what a singer waits for. Offline mode needs a study pass over the whole file
// and keeps what it learns per hop, so its memory grows with the song; the
// real-time mode holds only its windows, and its start latency is accounted
// for below. Transients "mixed": with the default "crisp" phase resets, steady
// tones came out up to 2 % off their key (a 440 Hz sine at -3 as 365 Hz);
// "mixed" resets only outside the tonal band and measured exact. Formants
// shift with the pitch (an accompaniment has no voice whose timbre to keep).
constexpr RubberBandStretcher::Options kOptions =
    RubberBandStretcher::OptionProcessRealTime | RubberBandStretcher::OptionEngineFaster |
    RubberBandStretcher::OptionTransientsMixed | RubberBandStretcher::OptionFormantShifted |
    RubberBandStretcher::OptionThreadingNever;

Failure KeyFailure(FailureCause cause, const QString& text) {
    return {cause, text, FailureNotice::Prompt, 0};
}

// One channel's stretcher, and what it has given back that is not written yet.
// Each channel has its own, the same as Rubber Band's "channels apart", so a
// stereo song's two channels can be worked on at once: in real-time mode
// Rubber Band itself uses one thread.
class ChannelShifter {
public:
    ChannelShifter(int sampleRate, double pitchScale)
        : stretcher_(static_cast<size_t>(sampleRate), 1, kOptions, 1.0, pitchScale),
          input_(kBlockFrames, 0.0f),
          retrieved_(kBlockFrames) {
        stretcher_.setMaxProcessSize(kBlockFrames);
        toSkip_ = stretcher_.getStartDelay();
        // Rubber Band's preferred lead-in of silence, so the first real
        // frames come out whole rather than faded in.
        for (size_t pad = stretcher_.getPreferredStartPad(); pad > 0;) {
            const size_t frames = std::min(pad, kBlockFrames);
            feed(frames);
            pad -= frames;
        }
    }

    // Where the caller puts the next block's samples before feed().
    float* input() { return input_.data(); }

    // Gives the stretcher `frames` of input() and collects what comes back,
    // less the stretcher's start delay.
    void feed(size_t frames) {
        const float* channels[] = {input_.data()};
        stretcher_.process(channels, frames, false);
        float* into[] = {retrieved_.data()};
        for (int available; (available = stretcher_.available()) > 0;) {
            const size_t got = stretcher_.retrieve(
                into, std::min<size_t>(static_cast<size_t>(available), retrieved_.size()));
            if (got == 0) break;
            const size_t skipped = std::min(toSkip_, got);
            toSkip_ -= skipped;
            pending_.insert(pending_.end(), retrieved_.begin() + skipped, retrieved_.begin() + got);
        }
    }

    const std::vector<float>& pending() const { return pending_; }
    void consume(size_t frames) { pending_.erase(pending_.begin(), pending_.begin() + frames); }

private:
    RubberBandStretcher stretcher_;
    std::vector<float> input_;
    std::vector<float> retrieved_;
    std::vector<float> pending_;
    size_t toSkip_ = 0;
};

// Feeds the channels' stretchers and writes what they give back, stopping at
// the input's length, so the copy lines up with the original frame by frame.
class ShiftRun {
public:
    ShiftRun(WavBlockReader& reader, PendingWavFile& writer, double pitchScale)
        : reader_(reader), writer_(writer), channels_(reader.format().channels) {
        for (int c = 0; c < channels_; ++c)
            shifters_.push_back(
                std::make_unique<ChannelShifter>(reader.format().sampleRate, pitchScale));
    }

    Status run(const KeyShiftProgress& progress) {
        const int64_t total = reader_.frames();
        std::vector<int16_t> block(kBlockFrames * static_cast<size_t>(channels_));
        while (reader_.framesRead() < total) {
            Result<size_t> got = reader_.read(block);
            if (!got) return got.failure();
            if (got.value() == 0) break;  // the file was shortened meanwhile
            for (size_t i = 0; i < got.value(); ++i)
                for (int c = 0; c < channels_; ++c)
                    shifters_[c]->input()[i] = ToFloat(block[i * channels_ + c]);
            if (Status fed = feedAll(got.value()); !fed) return fed;
            if (progress && !progress(static_cast<double>(reader_.framesRead()) / total))
                return KeyFailure(FailureCause::Cancelled, QStringLiteral("升降调已取消"));
        }
        // Silence pushes the last frames through the stretchers' windows.
        for (auto& shifter : shifters_) std::fill_n(shifter->input(), kBlockFrames, 0.0f);
        for (int idle = 0; written_ < total && idle < kMaxIdleBlocks;) {
            const int64_t before = written_;
            if (Status fed = feedAll(kBlockFrames); !fed) return fed;
            if (written_ == before) ++idle;
        }
        // Whatever is still missing (never more than a few frames) stays silent.
        std::vector<int16_t> silence;
        while (written_ < total) {
            const size_t frames =
                static_cast<size_t>(std::min<int64_t>(total - written_, kBlockFrames));
            silence.assign(frames * channels_, 0);
            if (Status appended = writer_.append(silence); !appended) return appended;
            written_ += static_cast<int64_t>(frames);
        }
        return {};
    }

private:
    static constexpr int kMaxIdleBlocks = 8;

    Status feedAll(size_t frames) {
        // The second channel on a thread of its own; an exception there
        // comes back through the future.
        std::future<void> second;
        if (channels_ == 2)
            second = std::async(std::launch::async, [&] { shifters_[1]->feed(frames); });
        shifters_[0]->feed(frames);
        if (second.valid()) second.get();
        return writeReady();
    }

    // Writes the frames every channel has, up to the input's length.
    Status writeReady() {
        size_t ready = shifters_[0]->pending().size();
        for (const auto& shifter : shifters_) ready = std::min(ready, shifter->pending().size());
        ready = static_cast<size_t>(
            std::min<int64_t>(static_cast<int64_t>(ready), reader_.frames() - written_));
        if (ready == 0) return {};
        interleaved_.resize(ready * channels_);
        for (int c = 0; c < channels_; ++c) {
            const std::vector<float>& pending = shifters_[c]->pending();
            for (size_t i = 0; i < ready; ++i)
                interleaved_[i * channels_ + c] = ToInt16(pending[i]);
        }
        for (auto& shifter : shifters_) shifter->consume(ready);
        if (Status appended = writer_.append(interleaved_); !appended) return appended;
        written_ += static_cast<int64_t>(ready);
        return {};
    }

    WavBlockReader& reader_;
    PendingWavFile& writer_;
    int channels_;
    std::vector<std::unique_ptr<ChannelShifter>> shifters_;
    std::vector<int16_t> interleaved_;
    int64_t written_ = 0;
};

}  // namespace

Status ShiftKey(const std::string& input, const std::string& output, int semitones,
                const KeyShiftProgress& progress) {
    if (IsNeutralKey(semitones) || semitones < kMinKeySemitones || semitones > kMaxKeySemitones)
        return KeyFailure(
            FailureCause::Invalid,
            QStringLiteral("升降调只能是 -6 到 +6 个半音 (不含 0): %1").arg(semitones));
    Result<WavBlockReader> reader = WavBlockReader::open(input);
    if (!reader) return reader.failure();
    Result<PendingWavFile> writer = PendingWavFile::create(output, reader->format());
    if (!writer) return writer.failure();
    try {
        ShiftRun run(reader.value(), writer.value(), std::pow(2.0, semitones / 12.0));
        if (Status ran = run.run(progress); !ran) return ran;
    } catch (const std::bad_alloc&) {
        return KeyFailure(FailureCause::OutOfMemory, QStringLiteral("升降调失败: 内存不足"));
    } catch (const std::exception& error) {
        return KeyFailure(FailureCause::Internal,
                          QStringLiteral("升降调失败: %1").arg(QString::fromUtf8(error.what())));
    }
    if (progress) progress(1.0);
    return writer->commit();
}

}  // namespace effects
