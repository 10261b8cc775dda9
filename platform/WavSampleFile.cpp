#include "platform/WavSampleFile.h"

#include <algorithm>

namespace platform {
namespace {

constexpr int kChannelsOffset = 22;
constexpr int kSampleRateOffset = 24;
constexpr int kBitsOffset = 34;

uint32_t LittleEndian(const char* bytes, int width) {
    uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[i]);
    return value;
}

QString Quoted(const QString& path) { return QStringLiteral("\"") + path + QStringLiteral("\""); }

}  // namespace

QString WavSampleFile::open(const QString& path) {
    close();
    file_.setFileName(path);
    if (!file_.open(QIODevice::ReadOnly)) {
        return QStringLiteral("Cannot open the file %1: %2").arg(Quoted(path), file_.errorString());
    }
    const int64_t size = file_.size();
    char header[kHeaderBytes];
    if (size < kHeaderBytes || file_.read(header, kHeaderBytes) != kHeaderBytes) {
        close();
        return QStringLiteral(
                   "The file %1 is not a WAV file: it has %2 bytes, fewer than the 44 of a WAV "
                   "header")
            .arg(Quoted(path))
            .arg(size);
    }
    const int channels = static_cast<int>(LittleEndian(header + kChannelsOffset, 2));
    const uint32_t sampleRate = LittleEndian(header + kSampleRateOffset, 4);
    const int bits = static_cast<int>(LittleEndian(header + kBitsOffset, 2));
    if (channels == 0 || sampleRate == 0 || bits == 0) {
        close();
        return QStringLiteral(
                   "The file %1 has no playable format: %2 channels, %3 Hz, %4 bits per sample")
            .arg(Quoted(path))
            .arg(channels)
            .arg(sampleRate)
            .arg(bits);
    }
    if (bits != 16 || sampleRate > INT32_MAX) {
        close();
        return QStringLiteral(
                   "The file %1 cannot be played: only 16-bit PCM is supported, it has %2 bits "
                   "per sample at %3 Hz")
            .arg(Quoted(path))
            .arg(bits)
            .arg(sampleRate);
    }
    channels_ = channels;
    sampleRate_ = static_cast<int>(sampleRate);
    const int64_t frame = frameBytes();
    end_ = kHeaderBytes + (size - kHeaderBytes) / frame * frame;
    return QString();
}

void WavSampleFile::close() {
    file_.close();
    channels_ = sampleRate_ = 0;
    end_ = kHeaderBytes;
}

bool WavSampleFile::rewind() { return file_.isOpen() && file_.seek(kHeaderBytes); }

int64_t WavSampleFile::read(void* into, int64_t maxBytes) {
    if (!file_.isOpen()) return -1;
    int64_t wanted = std::min<int64_t>(maxBytes, end_ - file_.pos());
    wanted -= wanted % frameBytes();
    if (wanted <= 0) return 0;
    const int64_t got = file_.read(static_cast<char*>(into), wanted);
    if (got < 0) return -1;
    // A file cut short under us: whole frames only all the same.
    return got - got % frameBytes();
}

}  // namespace platform
