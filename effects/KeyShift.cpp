#include "effects/KeyShift.h"

#include <rubberband/RubberBandStretcher.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>
#include <vector>

#include "effects/PendingWavFile.h"
#include "effects/SampleConversion.h"
#include "effects/WavBlockReader.h"

namespace effects {
namespace {

using RubberBand::RubberBandStretcher;

// Frames per block read from the file and given to Rubber Band at once.
constexpr size_t kBlockFrames = 4096;

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
    RubberBandStretcher::OptionChannelsApart | RubberBandStretcher::OptionThreadingNever;

Failure KeyFailure(FailureCause cause, const QString& text) {
    return {cause, text, FailureNotice::Prompt, 0};
}

// Rubber Band works in one float array per channel; the files interleave.
class PlanarBuffer {
public:
    PlanarBuffer(int channels, size_t frames)
        : channels_(channels), data_(static_cast<size_t>(channels), std::vector<float>(frames)) {
        for (auto& channel : data_) pointers_.push_back(channel.data());
    }

    void deinterleave(const int16_t* samples, size_t frames) {
        for (size_t i = 0; i < frames; ++i)
            for (int c = 0; c < channels_; ++c) data_[c][i] = ToFloat(samples[i * channels_ + c]);
    }

    // Interleaved 16-bit frames `from` … `from + frames` of the buffer.
    void interleave(size_t from, size_t frames, std::vector<int16_t>& into) const {
        into.resize(frames * channels_);
        for (size_t i = 0; i < frames; ++i)
            for (int c = 0; c < channels_; ++c)
                into[i * channels_ + c] = ToInt16(data_[c][from + i]);
    }

    void clear() {
        for (auto& channel : data_) std::fill(channel.begin(), channel.end(), 0.0f);
    }

    float* const* pointers() { return pointers_.data(); }
    const float* const* constPointers() const { return pointers_.data(); }
    size_t frames() const { return data_[0].size(); }

private:
    int channels_;
    std::vector<std::vector<float>> data_;
    std::vector<float*> pointers_;
};

// Feeds the stretcher and writes what it gives back, skipping its start delay
// and stopping at the input's length, so the copy lines up with the original.
class ShiftRun {
public:
    ShiftRun(WavBlockReader& reader, PendingWavFile& writer, double pitchScale)
        : reader_(reader),
          writer_(writer),
          channels_(reader.format().channels),
          stretcher_(static_cast<size_t>(reader.format().sampleRate),
                     static_cast<size_t>(channels_), kOptions, 1.0, pitchScale),
          input_(channels_, kBlockFrames),
          output_(channels_, kBlockFrames) {
        stretcher_.setMaxProcessSize(kBlockFrames);
        toSkip_ = stretcher_.getStartDelay();
    }

    Status run(const KeyShiftProgress& progress) {
        const int64_t total = reader_.frames();
        std::vector<int16_t> block(kBlockFrames * static_cast<size_t>(channels_));

        // Rubber Band's preferred lead-in of silence, so the first real
        // frames come out whole rather than faded in.
        input_.clear();
        for (size_t pad = stretcher_.getPreferredStartPad(); pad > 0;) {
            const size_t frames = std::min(pad, kBlockFrames);
            if (Status fed = feed(frames); !fed) return fed;
            pad -= frames;
        }
        while (reader_.framesRead() < total) {
            Result<size_t> got = reader_.read(block);
            if (!got) return got.failure();
            if (got.value() == 0) break;  // the file was shortened meanwhile
            input_.deinterleave(block.data(), got.value());
            if (Status fed = feed(got.value()); !fed) return fed;
            if (progress && !progress(static_cast<double>(reader_.framesRead()) / total))
                return KeyFailure(FailureCause::Cancelled, QStringLiteral("升降调已取消"));
        }
        // Silence pushes the last frames through the stretcher's windows.
        input_.clear();
        while (written_ < total) {
            const int64_t before = written_;
            if (Status fed = feed(kBlockFrames); !fed) return fed;
            if (written_ == before && ++idleBlocks_ > kMaxIdleBlocks) break;
        }
        // Whatever is still missing (never more than a block) stays silent.
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
    static constexpr int kMaxIdleBlocks = 64;

    Status feed(size_t frames) {
        stretcher_.process(input_.constPointers(), frames, false);
        for (int available; (available = stretcher_.available()) > 0;) {
            const size_t got = stretcher_.retrieve(
                output_.pointers(), std::min<size_t>(static_cast<size_t>(available), kBlockFrames));
            if (got == 0) break;
            const size_t skipped = std::min(toSkip_, got);
            toSkip_ -= skipped;
            const size_t keep = static_cast<size_t>(std::min<int64_t>(
                static_cast<int64_t>(got - skipped), reader_.frames() - written_));
            if (keep == 0) continue;
            output_.interleave(skipped, keep, interleaved_);
            if (Status appended = writer_.append(interleaved_); !appended) return appended;
            written_ += static_cast<int64_t>(keep);
        }
        return {};
    }

    WavBlockReader& reader_;
    PendingWavFile& writer_;
    int channels_;
    RubberBandStretcher stretcher_;
    PlanarBuffer input_;
    PlanarBuffer output_;
    std::vector<int16_t> interleaved_;
    size_t toSkip_ = 0;
    int64_t written_ = 0;
    int idleBlocks_ = 0;
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
