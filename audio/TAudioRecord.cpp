#include "audio/TAudioRecord.h"

#include <QString>
#include <algorithm>
#include <cstring>
#include <optional>

namespace {

QString SystemText(int errorNumber) { return QString::fromLocal8Bit(std::strerror(errorNumber)); }

// The input's failure as the recorder tells it: `what` failed, then the input's words.
Failure DeviceFailure(const QString& what, const Failure& input) {
    return {FailureCause::NoSound, what + input.text, FailureNotice::Simple, input.code};
}

}  // namespace

TAudioRecord::TAudioRecord(std::unique_ptr<platform::AudioInput> input)
    : input_(std::move(input)), copy_(kBlockBytes) {
    InitWavHeader(header_, 1, 44100, 16);
    input_->setBlockHandler([this](platform::AudioBlock& block) { BufferArrived(block); });
    input_->setFailureHandler(
        [this](const Failure& failure) { CaptureBrokeOff(failure); });
}

TAudioRecord::~TAudioRecord() {
    // A take still running (the window closed mid-take) ends as Stop ends
    // it: what was captured is written and the header tells its sizes. With
    // the window gone there is nobody to tell of a failure.
    if (writer_.isOpen()) (void)Stop();
    ReleaseDevice();
}

void TAudioRecord::ReleaseDevice() {
    if (input_->isOpen()) input_->close();
    for (platform::AudioBlock& block : blocks_) {
        std::vector<char>().swap(block.bytes);
        block.recordedBytes = 0;
    }
}

Status TAudioRecord::Start(const std::string& path, int channels, int sampleRate,
                           int bitsPerSample, const platform::WavPlayer* accompaniment) {
    // The take before keeps its device paused after Stop; it goes now.
    ReleaseDevice();
    accompaniment_ = nullptr;

    const platform::AudioInputFormat format{channels, sampleRate, bitsPerSample};
    const Status opened = input_->open(format, kBlockBytes);
    if (!opened) {
        return DeviceFailure(QStringLiteral("waveInOpen Error %1 ").arg(opened.failure().code),
                             opened.failure());
    }

    for (platform::AudioBlock& block : blocks_) {
        block.bytes.assign(kBlockBytes, 0);
        block.recordedBytes = 0;
        const Status prepared = input_->prepareBlock(block);
        if (!prepared) {
            std::vector<char>().swap(block.bytes);
            return DeviceFailure(QStringLiteral("waveInPrepareHeader Error "), prepared.failure());
        }
        const Status queued = input_->queueBlock(block);
        if (!queued) return DeviceFailure(QStringLiteral("waveInAddBuffer Error "), queued.failure());
    }

    if (writer_.isOpen()) writer_.finish();
    path_ = path;
    writeFailureReported_ = false;
    InitWavHeader(header_, channels, sampleRate, bitsPerSample);
    if (!writer_.create(path, header_)) {
        return Failure{FailureCause::Unwritable,
                       QStringLiteral("创建文件失败 ") + QString::fromStdString(path) +
                           QStringLiteral(" ") + SystemText(writer_.errorNumber()),
                       FailureNotice::Simple, writer_.errorNumber()};
    }
    if (writer_.failed()) {
        // Not even the header fits: there is no take to record.
        writer_.finish();
        return WriteFailure();
    }

    accompaniment_ = accompaniment;
    sampleRate_ = sampleRate;
    frameBytes_ = static_cast<size_t>(std::max(channels * bitsPerSample / 8, 1));
    head_.reset(frameBytes_, bitsPerSample == 8 ? char(0x80) : char(0));
    captureStartedAt_ = platform::SoundClock::now();
    const Status started = input_->start();
    if (!started) {
        accompaniment_ = nullptr;
        writer_.finish();
        return DeviceFailure(QStringLiteral("waveInOpen Error %1 ").arg(started.failure().code),
                             started.failure());
    }
    return {};
}

void TAudioRecord::BufferArrived(platform::AudioBlock& block) {
    const size_t count = std::min(block.recordedBytes, copy_.size());
    std::memcpy(copy_.data(), block.bytes.data(), count);
    // Back to the input before the write, which may be slow. A block the
    // input refuses leaves circulation.
    (void)input_->queueBlock(block);
    if (!writer_.isOpen() || writer_.failed()) return;
    head_.take(copy_.data(), count, pending_);
    AlignHead(false);
    WritePending();
}

void TAudioRecord::AlignHead(bool now) {
    if (head_.aligned()) return;
    std::optional<platform::SoundTime> captured = input_->firstSampleCapturedAt();
    // Sound that came in late by the correction was at the microphone earlier.
    if (captured) *captured -= correction_;
    const std::optional<platform::SoundTime> takeStart =
        accompaniment_ ? accompaniment_->firstSampleHeardAt() : captureStartedAt_;
    const size_t heldLimit = static_cast<size_t>(kMaxHeldSeconds) *
                             static_cast<size_t>(std::max(sampleRate_, 1)) * frameBytes_;
    if (!(captured && takeStart) && !now && head_.heldBytes() < heldLimit) return;
    // Without word from the player, the voice starts where capture started.
    const platform::SoundTime start = takeStart ? *takeStart : captureStartedAt_;
    const int64_t frames = captured ? VoiceHead::FramesBefore(start, *captured, sampleRate_) : 0;
    head_.align(frames, pending_);
}

void TAudioRecord::WritePending() {
    if (pending_.empty()) return;
    const bool written = writer_.append(pending_.data(), pending_.size());
    pending_.clear();
    if (!written) {
        // Nothing more goes to the file; what it holds stays readable.
        input_->stop();
        ReportWriteFailure();
    }
}

Status TAudioRecord::Stop() {
    // Hands over what was captured up to now, through BufferArrived.
    if (input_->isOpen()) input_->stop();
    if (writer_.isOpen() && !writer_.failed()) {
        AlignHead(true);
        WritePending();
    }
    accompaniment_ = nullptr;
    if (writer_.isOpen() && !writer_.finish() && !writeFailureReported_) return WriteFailure();
    return {};
}

void TAudioRecord::CaptureBrokeOff(const Failure& failure) {
    // What was captured before has arrived: the file keeps it and is finished.
    if (!writer_.isOpen()) return;
    if (!writer_.failed()) {
        AlignHead(true);
        WritePending();
    }
    accompaniment_ = nullptr;
    const bool finished = writer_.finish();
    if (failureHandler_) {
        failureHandler_(DeviceFailure(QStringLiteral("录音中断 %1 ").arg(failure.code), failure));
    }
    if (!finished) ReportWriteFailure();
}

// Told once per take.
Failure TAudioRecord::WriteFailure() {
    writeFailureReported_ = true;
    return {FailureCause::Unwritable,
            QStringLiteral("写入文件失败 ") + QString::fromStdString(path_) +
                QStringLiteral(" ") + SystemText(writer_.errorNumber()),
            FailureNotice::Simple, writer_.errorNumber()};
}

void TAudioRecord::ReportWriteFailure() {
    if (writeFailureReported_) return;
    const Failure failure = WriteFailure();
    if (failureHandler_) failureHandler_(failure);
}
