#include "platform/QtAudioInput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSource>
#include <QIODevice>
#include <QMediaDevices>
#include <QScopedValueRollback>
#include <algorithm>
#include <cstring>

namespace platform {
namespace {

// The toolkit's own error numbers stand for the device's; the texts say
// what they mean here.
AudioInputStatus Failure(QAudio::Error error, const QString& text) {
    return {static_cast<int>(error), text};
}

QString SourceErrorText(QAudio::Error error) {
    switch (error) {
        case QAudio::OpenError:
            return QStringLiteral("the audio input device could not be opened");
        case QAudio::IOError:
            return QStringLiteral("the audio input device cannot be read");
        case QAudio::FatalError:
            return QStringLiteral("the sound server cannot be reached");
        default:
            return QStringLiteral("the audio input device failed");
    }
}

bool ToQtFormat(const AudioInputFormat& format, QAudioFormat& out) {
    out.setChannelCount(format.channels);
    out.setSampleRate(format.sampleRate);
    switch (format.bitsPerSample) {
        case 8:
            out.setSampleFormat(QAudioFormat::UInt8);
            break;
        case 16:
            out.setSampleFormat(QAudioFormat::Int16);
            break;
        case 32:
            out.setSampleFormat(QAudioFormat::Int32);
            break;
        default:
            return false;
    }
    return format.channels > 0 && format.sampleRate > 0;
}

}  // namespace

QtAudioInput::QtAudioInput(QByteArray deviceId) : deviceId_(std::move(deviceId)) {}

QtAudioInput::~QtAudioInput() { close(); }

AudioInputStatus QtAudioInput::open(const AudioInputFormat& format, size_t blockBytes) {
    close();
    QAudioFormat qtFormat;
    if (!ToQtFormat(format, qtFormat)) {
        return Failure(QAudio::OpenError,
                       QStringLiteral("the format %1 Hz, %2 channel(s), %3 bits cannot be recorded")
                           .arg(format.sampleRate)
                           .arg(format.channels)
                           .arg(format.bitsPerSample));
    }

    QAudioDevice device;
    if (deviceId_.isEmpty()) {
        device = QMediaDevices::defaultAudioInput();
    } else {
        for (const QAudioDevice& input : QMediaDevices::audioInputs()) {
            if (input.id() == deviceId_) device = input;
        }
    }
    // No sound server gives no devices at all, hence no default one either.
    if (device.isNull()) {
        return Failure(QAudio::OpenError, QStringLiteral("no audio input device"));
    }
    if (!device.isFormatSupported(qtFormat)) {
        return Failure(QAudio::OpenError,
                       QStringLiteral("the audio input device does not take %1 Hz, %2 bits")
                           .arg(format.sampleRate)
                           .arg(format.bitsPerSample));
    }

    source_ = std::make_unique<QAudioSource>(device, qtFormat);
    blockBytes_ = blockBytes;
    // The server hands data over in pieces of one block.
    if (blockBytes > 0) source_->setBufferSize(static_cast<qsizetype>(blockBytes));
    reader_ = source_->start();
    const QAudio::Error error = source_->error();
    if (reader_ == nullptr || error != QAudio::NoError) {
        const QAudio::Error shown = error != QAudio::NoError ? error : QAudio::FatalError;
        close();
        return Failure(shown, SourceErrorText(shown));
    }
    source_->suspend();
    QObject::connect(reader_, &QIODevice::readyRead, reader_, [this] { readArrived(); });
    return {};
}

AudioInputStatus QtAudioInput::prepareBlock(AudioBlock& block) {
    if (!source_) return Failure(QAudio::OpenError, QStringLiteral("the audio input is not open"));
    if (block.bytes.empty())
        return Failure(QAudio::IOError, QStringLiteral("the block holds no bytes"));
    if (std::find(prepared_.begin(), prepared_.end(), &block) == prepared_.end()) {
        prepared_.push_back(&block);
    }
    block.recordedBytes = 0;
    return {};
}

AudioInputStatus QtAudioInput::queueBlock(AudioBlock& block) {
    if (!source_) return Failure(QAudio::OpenError, QStringLiteral("the audio input is not open"));
    if (std::find(prepared_.begin(), prepared_.end(), &block) == prepared_.end()) {
        return Failure(QAudio::IOError, QStringLiteral("the block was not prepared"));
    }
    if (std::find(queued_.begin(), queued_.end(), &block) != queued_.end()) {
        return Failure(QAudio::IOError, QStringLiteral("the block is queued already"));
    }
    block.recordedBytes = 0;
    queued_.push_back(&block);
    if (running_) deliverBlocks();
    return {};
}

AudioInputStatus QtAudioInput::start() {
    if (!source_) return Failure(QAudio::OpenError, QStringLiteral("the audio input is not open"));
    pending_.clear();
    running_ = true;
    source_->resume();
    const QAudio::Error error = source_->error();
    if (error != QAudio::NoError && error != QAudio::UnderrunError) {
        running_ = false;
        return Failure(error, SourceErrorText(error));
    }
    return {};
}

void QtAudioInput::stop() {
    running_ = false;
    pending_.clear();
    if (source_ && source_->state() != QAudio::SuspendedState &&
        source_->state() != QAudio::StoppedState) {
        source_->suspend();
    }
}

void QtAudioInput::close() {
    running_ = false;
    if (source_) {
        source_->stop();
        source_.reset();
    }
    reader_ = nullptr;
    prepared_.clear();
    queued_.clear();
    pending_.clear();
    blockBytes_ = 0;
}

size_t QtAudioInput::queueDepthBytes() const {
    size_t depth = 0;
    for (const AudioBlock* block : prepared_) depth += block->bytes.size();
    return depth;
}

void QtAudioInput::readArrived() {
    // A handler that waits in a message box lets the event loop run; what
    // arrives meanwhile stays with the toolkit until the handler returns.
    if (delivering_ || reader_ == nullptr) return;
    const QByteArray data = reader_->readAll();
    if (!running_) return;
    pending_.append(data);
    deliverBlocks();
    // Like a device with no free block left: sound that finds no room in the
    // queue is lost.
    const qsizetype depth = static_cast<qsizetype>(queueDepthBytes());
    if (pending_.size() > depth) pending_.truncate(depth);
}

void QtAudioInput::deliverBlocks() {
    if (delivering_) return;
    QScopedValueRollback<bool> guard(delivering_, true);
    while (running_ && !queued_.empty()) {
        AudioBlock* block = queued_.front();
        const qsizetype size = static_cast<qsizetype>(block->bytes.size());
        if (pending_.size() < size) break;
        queued_.pop_front();
        std::memcpy(block->bytes.data(), pending_.constData(), static_cast<size_t>(size));
        block->recordedBytes = static_cast<size_t>(size);
        pending_.remove(0, size);
        if (handler_) handler_(*block);
    }
}

}  // namespace platform
