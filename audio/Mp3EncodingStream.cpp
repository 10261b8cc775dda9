#include "audio/Mp3EncodingStream.h"

#include <QFile>
#include <array>
#include <cstring>
#include <new>
#include <utility>

namespace {

void PutField(std::array<uint8_t, lame_enc::kConfigBytes>& record, size_t offset, uint32_t value) {
    std::memcpy(record.data() + offset, &value, sizeof value);
}

// The encoder configuration for a source of the header's format.
std::array<uint8_t, lame_enc::kConfigBytes> MakeConfig(const WavHeader& source) {
    namespace f = lame_enc::config;
    std::array<uint8_t, lame_enc::kConfigBytes> record{};
    PutField(record, f::kKind, lame_enc::kConfigKindLame);
    PutField(record, f::kVersion, lame_enc::kConfigVersion);
    PutField(record, f::kSize, lame_enc::kConfigBytes);
    PutField(record, f::kSampleRateHz, source.sampleRate);
    PutField(record, f::kOutSampleRateHz, 0);
    PutField(record, f::kMode,
             source.channels == 1 ? lame_enc::kModeMono : lame_enc::kModeJointStereo);
    // 16-bit sources give 128 kbit/s.
    PutField(record, f::kBitRateKbps, source.bitsPerSample * 8u);
    PutField(record, f::kPreset, lame_enc::kPresetStandard);
    PutField(record, f::kMpegVersion, 1);
    PutField(record, f::kOriginal, 1);
    PutField(record, f::kWriteVbrHeader, 1);
    PutField(record, f::kVbr, 0);
    // A 32-bit 1 at offset 81: it lies across the VBR-method field (which
    // reads 256 and means nothing without VBR) and leaves the no-reservoir
    // flag at 84 zero, so the encoder keeps its bit reservoir.
    PutField(record, 81, 1);
    return record;
}

Failure EncoderFailure(const QString& text) { return {FailureCause::Internal, text}; }

}  // namespace

Result<Mp3EncodingStream> Mp3EncodingStream::Open(const LameEncoder& encoder,
                                                  const WavHeader& source,
                                                  const QString& destinationPath) {
    Mp3EncodingStream stream(encoder, destinationPath);
    const std::array<uint8_t, lame_enc::kConfigBytes> config = MakeConfig(source);
    if (encoder.initStream(config.data(), &stream.samplesPerChunk_, &stream.mp3BufferBytes_,
                           &stream.handle_) != lame_enc::kOk) {
        return EncoderFailure(QStringLiteral("beInitStream失败：") + destinationPath);
    }
    stream.open_ = true;
    stream.mp3_.reset(new (std::nothrow) uint8_t[stream.mp3BufferBytes_]);
    if (!stream.mp3_) return Failure{FailureCause::OutOfMemory, QStringLiteral("Out of memory")};
    return stream;
}

Mp3EncodingStream::Mp3EncodingStream(Mp3EncodingStream&& other) noexcept
    : encoder_(other.encoder_),
      destinationPath_(std::move(other.destinationPath_)),
      handle_(other.handle_),
      open_(std::exchange(other.open_, false)),
      samplesPerChunk_(other.samplesPerChunk_),
      mp3BufferBytes_(other.mp3BufferBytes_),
      mp3_(std::move(other.mp3_)) {}

Failure Mp3EncodingStream::WriteFailure(const QString& text) const {
    return {FailureCause::Unwritable, text + destinationPath_};
}

Status Mp3EncodingStream::Encode(const int16_t* samples, uint32_t count, std::FILE* out) {
    uint32_t bytes = 0;
    if (encoder_->encodeChunk(handle_, count, samples, mp3_.get(), &bytes) != lame_enc::kOk) {
        return EncoderFailure(QStringLiteral("beCloseStream failed"));
    }
    if (std::fwrite(mp3_.get(), 1, bytes, out) < bytes) {
        return WriteFailure(QStringLiteral("写文件失败："));
    }
    return {};
}

Status Mp3EncodingStream::Finish(std::FILE* out) {
    uint32_t bytes = 0;
    if (encoder_->deinitStream(handle_, mp3_.get(), &bytes) != lame_enc::kOk) {
        return EncoderFailure(QStringLiteral("beExitStream failed"));
    }
    if (bytes > 0 && std::fwrite(mp3_.get(), 1, bytes, out) < bytes) {
        return WriteFailure(QStringLiteral("写文件失败!："));
    }
    return {};
}

Status Mp3EncodingStream::WriteInfoTag(const QString& writtenPath) {
    Close();
    const QByteArray name = QFile::encodeName(writtenPath);
    const lame_enc::Result tagged = encoder_->writeInfoTag
                                        ? encoder_->writeInfoTag(handle_, name.constData())
                                        : encoder_->writeVbrHeader(name.constData());
    if (tagged != lame_enc::kOk) return WriteFailure(QStringLiteral("写文件失败："));
    return {};
}

void Mp3EncodingStream::Close() {
    if (open_) {
        open_ = false;
        encoder_->closeStream(handle_);
    }
}
