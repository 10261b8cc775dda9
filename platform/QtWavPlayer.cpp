#include "platform/QtWavPlayer.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QFile>
#include <QIODevice>
#include <QMediaDevices>
#include <QObject>
#include <cstdint>

namespace platform {
namespace {

constexpr qint64 kHeaderBytes = 44;
constexpr int kChannelsOffset = 22;
constexpr int kSampleRateOffset = 24;
constexpr int kBitsOffset = 34;

uint32_t LittleEndian(const char* bytes, int width) {
    uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[i]);
    return value;
}

QString Quoted(const QString& path) { return QStringLiteral("\"") + path + QStringLiteral("\""); }

// The sample data of a WAV file, from byte 44 to the last whole frame, read
// straight from disk in the pieces the sound device asks for.
class WavDataReader final : public QIODevice {
public:
    // Returns an empty text on success, else what is wrong with the file.
    QString open(const QString& path, QAudioFormat& format) {
        file_.setFileName(path);
        if (!file_.open(QIODevice::ReadOnly))
            return QStringLiteral("Cannot open the file %1: %2")
                .arg(Quoted(path), file_.errorString());
        const qint64 size = file_.size();
        char header[kHeaderBytes];
        if (size < kHeaderBytes || file_.read(header, kHeaderBytes) != kHeaderBytes)
            return QStringLiteral(
                       "The file %1 is not a WAV file: it has %2 bytes, fewer than the "
                       "44 of a WAV header")
                .arg(Quoted(path))
                .arg(size);
        const int channels = static_cast<int>(LittleEndian(header + kChannelsOffset, 2));
        const uint32_t sampleRate = LittleEndian(header + kSampleRateOffset, 4);
        const int bits = static_cast<int>(LittleEndian(header + kBitsOffset, 2));
        if (channels == 0 || sampleRate == 0 || bits == 0)
            return QStringLiteral(
                       "The file %1 has no playable format: %2 channels, %3 Hz, %4 bits "
                       "per sample")
                .arg(Quoted(path))
                .arg(channels)
                .arg(sampleRate)
                .arg(bits);
        if (bits != 16 || sampleRate > INT32_MAX)
            return QStringLiteral(
                       "The file %1 cannot be played: only 16-bit PCM is supported, it "
                       "has %2 bits per sample at %3 Hz")
                .arg(Quoted(path))
                .arg(bits)
                .arg(sampleRate);
        format.setChannelCount(channels);
        format.setSampleRate(static_cast<int>(sampleRate));
        format.setSampleFormat(QAudioFormat::Int16);
        const qint64 frameBytes = qint64{channels} * 2;
        end_ = kHeaderBytes + (size - kHeaderBytes) / frameBytes * frameBytes;
        frameBytes_ = frameBytes;
        QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        return QString();
    }

    bool rewind() { return file_.seek(kHeaderBytes); }

    bool isSequential() const override { return true; }
    bool atEnd() const override { return file_.pos() >= end_; }
    qint64 bytesAvailable() const override { return qMax<qint64>(0, end_ - file_.pos()); }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        // Whole frames only: the device takes nothing else.
        qint64 wanted = qMin(maxSize, end_ - file_.pos());
        wanted -= wanted % frameBytes_;
        if (wanted <= 0) return 0;
        const qint64 got = file_.read(data, wanted);
        return got < 0 ? -1 : got;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QFile file_;
    qint64 end_ = kHeaderBytes;
    qint64 frameBytes_ = 2;
};

}  // namespace

// The open file and the device it plays on. Created, used and destroyed on
// the audio thread.
class QtWavPlayer::Stream {
public:
    explicit Stream(std::atomic<bool>& playing) : playing_(playing) {}
    ~Stream() { stopSink(); }

    QString open(const QString& path, const QAudioDevice& device) {
        reader_ = std::make_unique<WavDataReader>();
        QString error = reader_->open(path, format_);
        if (error.isEmpty() && device.isNull())
            error = QStringLiteral("There is no sound output device to play %1").arg(Quoted(path));
        if (error.isEmpty() && !device.isFormatSupported(format_))
            error = QStringLiteral("The sound output device cannot play %1 channels at %2 Hz (%3)")
                        .arg(format_.channelCount())
                        .arg(format_.sampleRate())
                        .arg(Quoted(path));
        if (!error.isEmpty()) reader_.reset();
        device_ = device;
        return error;
    }

    QString play() {
        stopSink();
        if (!reader_->rewind()) return QStringLiteral("Cannot read the open file from its start");
        // A fresh sink for every play: it starts from an empty buffer. It
        // stays idle after the last samples until the next stop, play or close.
        sink_ = std::make_unique<QAudioSink>(device_, format_);
        QObject::connect(
            sink_.get(), &QAudioSink::stateChanged, sink_.get(),
            [this](QAudio::State state) {
                if (state == QAudio::IdleState && reader_->atEnd()) playing_ = false;
            },
            Qt::QueuedConnection);
        playing_ = true;
        sink_->start(reader_.get());
        if (sink_->error() != QAudio::NoError) {
            stopSink();
            return QStringLiteral("The sound output device could not be started");
        }
        return QString();
    }

    void stopSink() {
        playing_ = false;
        if (!sink_) return;
        sink_->reset();
        sink_->stop();
        sink_.reset();
    }

    void close() {
        stopSink();
        reader_.reset();
    }

private:
    std::atomic<bool>& playing_;
    QAudioDevice device_;
    QAudioFormat format_;
    std::unique_ptr<WavDataReader> reader_;
    std::unique_ptr<QAudioSink> sink_;
};

QtWavPlayer::QtWavPlayer() : context_(std::make_unique<QObject>()) {
    thread_.setObjectName(QStringLiteral("WavPlayer"));
    context_->moveToThread(&thread_);
    thread_.start();
    onAudioThread([this] { stream_ = std::make_unique<Stream>(playing_); });
}

QtWavPlayer::~QtWavPlayer() {
    onAudioThread([this] { stream_.reset(); });
    thread_.quit();
    thread_.wait();
}

void QtWavPlayer::onAudioThread(const std::function<void()>& work) {
    QMetaObject::invokeMethod(context_.get(), work, Qt::BlockingQueuedConnection);
}

void QtWavPlayer::requireOpen() const {
    if (!open_) throw MediaPlayerError(QString::fromLatin1(kNoFileOpenText));
}

void QtWavPlayer::open() {
    close();
    // Asked here, on the UI thread, where the sound system was set up.
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    QString error;
    onAudioThread([&] { error = stream_->open(fileName_, device); });
    if (!error.isEmpty()) throw MediaPlayerError(error);
    open_ = true;
}

void QtWavPlayer::play() {
    requireOpen();
    QString error;
    onAudioThread([&] { error = stream_->play(); });
    if (!error.isEmpty()) throw MediaPlayerError(error);
}

void QtWavPlayer::stop() {
    requireOpen();
    onAudioThread([this] { stream_->stopSink(); });
}

void QtWavPlayer::close() {
    if (!open_) return;
    onAudioThread([this] { stream_->close(); });
    open_ = false;
}

}  // namespace platform
