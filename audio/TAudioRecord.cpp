#include "audio/TAudioRecord.h"

#include <QString>
#include <algorithm>
#include <cstring>

#include "platform/QtAudioInput.h"
#include "platform/UserMessages.h"

namespace {

QString SystemText(int errorNumber) { return QString::fromLocal8Bit(std::strerror(errorNumber)); }

}  // namespace

TAudioRecord::TAudioRecord(int mode)
    : TAudioRecord(mode, std::make_unique<platform::QtAudioInput>()) {}

TAudioRecord::TAudioRecord(int /*mode*/, std::unique_ptr<platform::AudioInput> input)
    : input_(std::move(input)), copy_(kBlockBytes) {
    InitWavHeader(header_, 1, 44100, 16);
    input_->setBlockHandler([this](platform::AudioBlock& block) { BufferArrived(block); });
}

TAudioRecord::~TAudioRecord() {
    ReleaseDevice();
    if (writer_.isOpen()) writer_.finish();
}

void TAudioRecord::ReleaseDevice() {
    if (input_->isOpen()) input_->close();
    for (platform::AudioBlock& block : blocks_) {
        std::vector<char>().swap(block.bytes);
        block.recordedBytes = 0;
    }
}

bool TAudioRecord::Start(const std::string& path, int channels, int sampleRate, int bitsPerSample) {
    platform::UserMessages& messages = platform::Messages();
    // The take before keeps its device paused after Stop; it goes now.
    ReleaseDevice();

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

    const platform::AudioInputStatus started = input_->start();
    if (!started.ok()) {
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
    if (!writer_.append(copy_.data(), count)) {
        // Nothing more goes to the file; what it holds stays readable.
        input_->stop();
        ReportWriteFailure();
    }
}

void TAudioRecord::Stop() {
    if (input_->isOpen()) input_->stop();
    if (writer_.isOpen() && !writer_.finish()) ReportWriteFailure();
}

void TAudioRecord::ReportWriteFailure() {
    if (writeFailureReported_) return;
    writeFailureReported_ = true;
    platform::Messages().simpleMessage(QStringLiteral("写入文件失败 ") +
                                       QString::fromStdString(path_) + QStringLiteral(" ") +
                                       SystemText(writer_.errorNumber()));
}
