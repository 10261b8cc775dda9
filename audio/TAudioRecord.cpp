#include "audio/TAudioRecord.h"

#include <QString>
#include <algorithm>
#include <cstring>
#include <optional>

#include "platform/UserMessages.h"

namespace {

QString SystemText(int errorNumber) { return QString::fromLocal8Bit(std::strerror(errorNumber)); }

}  // namespace

TAudioRecord::TAudioRecord(int /*mode*/, std::unique_ptr<platform::AudioInput> input)
    : input_(std::move(input)), copy_(kBlockBytes) {
    InitWavHeader(header_, 1, 44100, 16);
    input_->setBlockHandler([this](platform::AudioBlock& block) { BufferArrived(block); });
    input_->setFailureHandler(
        [this](const platform::AudioInputStatus& failure) { CaptureBrokeOff(failure); });
}

TAudioRecord::~TAudioRecord() {
    // A take still running (the window closed mid-take) ends as Stop ends
    // it: what was captured is written and the header tells its sizes.
    if (writer_.isOpen()) Stop();
    ReleaseDevice();
}

void TAudioRecord::ReleaseDevice() {
    if (input_->isOpen()) input_->close();
    for (platform::AudioBlock& block : blocks_) {
        std::vector<char>().swap(block.bytes);
        block.recordedBytes = 0;
    }
}

bool TAudioRecord::Start(const std::string& path, int channels, int sampleRate, int bitsPerSample,
                         const platform::WavPlayer* accompaniment) {
    platform::UserMessages& messages = platform::Messages();
    // The take before keeps its device paused after Stop; it goes now.
    ReleaseDevice();
    accompaniment_ = nullptr;

    const platform::AudioInputFormat format{channels, sampleRate, bitsPerSample};
    const platform::AudioInputStatus opened = input_->open(format, kBlockBytes);
    if (!opened.ok()) {
        messages.simpleMessage(
            QStringLiteral("waveInOpen Error %1 %2").arg(opened.errorNumber).arg(opened.errorText));
        return false;
    }

    for (platform::AudioBlock& block : blocks_) {
        block.bytes.assign(kBlockBytes, 0);
        block.recordedBytes = 0;
        const platform::AudioInputStatus prepared = input_->prepareBlock(block);
        if (!prepared.ok()) {
            std::vector<char>().swap(block.bytes);
            messages.simpleMessage(QStringLiteral("waveInPrepareHeader Error ") +
                                   prepared.errorText);
            return false;
        }
        const platform::AudioInputStatus queued = input_->queueBlock(block);
        if (!queued.ok()) {
            messages.simpleMessage(QStringLiteral("waveInAddBuffer Error ") + queued.errorText);
            return false;
        }
    }

    if (writer_.isOpen()) writer_.finish();
    path_ = path;
    writeFailureReported_ = false;
    InitWavHeader(header_, channels, sampleRate, bitsPerSample);
    if (!writer_.create(path, header_)) {
        messages.simpleMessage(QStringLiteral("创建文件失败 ") + QString::fromStdString(path) +
                               QStringLiteral(" ") + SystemText(writer_.errorNumber()));
        return false;
    }
    if (writer_.failed()) {
        // Not even the header fits: there is no take to record.
        ReportWriteFailure();
        writer_.finish();
        return false;
    }

    accompaniment_ = accompaniment;
    sampleRate_ = sampleRate;
    frameBytes_ = static_cast<size_t>(std::max(channels * bitsPerSample / 8, 1));
    head_.reset(frameBytes_, bitsPerSample == 8 ? char(0x80) : char(0));
    captureStartedAt_ = platform::SoundClock::now();
    const platform::AudioInputStatus started = input_->start();
    if (!started.ok()) {
        accompaniment_ = nullptr;
        messages.simpleMessage(QStringLiteral("waveInOpen Error %1 %2")
                                   .arg(started.errorNumber)
                                   .arg(started.errorText));
        writer_.finish();
        return false;
    }
    return true;
}

void TAudioRecord::BufferArrived(platform::AudioBlock& block) {
    const size_t count = std::min(block.recordedBytes, copy_.size());
    std::memcpy(copy_.data(), block.bytes.data(), count);
    // Back to the input before the write, which may be slow. A block the
    // input refuses leaves circulation.
    input_->queueBlock(block);
    if (!writer_.isOpen() || writer_.failed()) return;
    head_.take(copy_.data(), count, pending_);
    AlignHead(false);
    WritePending();
}

void TAudioRecord::AlignHead(bool now) {
    if (head_.aligned()) return;
    const std::optional<platform::SoundTime> captured = input_->firstSampleCapturedAt();
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

void TAudioRecord::Stop() {
    // Hands over what was captured up to now, through BufferArrived.
    if (input_->isOpen()) input_->stop();
    if (writer_.isOpen() && !writer_.failed()) {
        AlignHead(true);
        WritePending();
    }
    accompaniment_ = nullptr;
    if (writer_.isOpen() && !writer_.finish()) ReportWriteFailure();
}

void TAudioRecord::CaptureBrokeOff(const platform::AudioInputStatus& failure) {
    // What was captured before has arrived: the file keeps it and is finished.
    if (!writer_.isOpen()) return;
    if (!writer_.failed()) {
        AlignHead(true);
        WritePending();
    }
    accompaniment_ = nullptr;
    const bool finished = writer_.finish();
    platform::Messages().simpleMessage(
        QStringLiteral("录音中断 %1 %2").arg(failure.errorNumber).arg(failure.errorText));
    if (!finished) ReportWriteFailure();
}

void TAudioRecord::ReportWriteFailure() {
    if (writeFailureReported_) return;
    writeFailureReported_ = true;
    platform::Messages().simpleMessage(QStringLiteral("写入文件失败 ") +
                                       QString::fromStdString(path_) + QStringLiteral(" ") +
                                       SystemText(writer_.errorNumber()));
}
