#include "encoder/EncoderConfig.h"

#include <cstring>

namespace {

uint32_t Field(const uint8_t* record, size_t offset) {
    // Little-endian on disk and in memory alike: the library is built for
    // x86-64 and other little-endian machines only.
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__);
    uint32_t value;
    std::memcpy(&value, record + offset, sizeof value);
    return value;
}

}  // namespace

bool IsMp3SampleRate(int sampleRateHz) {
    switch (sampleRateHz) {
        case 8000:
        case 11025:
        case 12000:
        case 16000:
        case 22050:
        case 24000:
        case 32000:
        case 44100:
        case 48000:
            return true;
        default:
            return false;
    }
}

lame_enc::Result ReadEncoderConfig(const uint8_t* record, EncoderConfig& config) {
    namespace f = lame_enc::config;
    if (record == nullptr) return lame_enc::kErrInvalidParameters;
    if (Field(record, f::kKind) != lame_enc::kConfigKindLame) return lame_enc::kErrInvalidFormat;
    if (Field(record, f::kVersion) < lame_enc::kConfigVersion) return lame_enc::kErrInvalidFormat;
    if (Field(record, f::kSize) < f::kBytesRead) return lame_enc::kErrInvalidFormat;

    const uint32_t sampleRate = Field(record, f::kSampleRateHz);
    const uint32_t outSampleRate = Field(record, f::kOutSampleRateHz);
    const uint32_t bitRate = Field(record, f::kBitRateKbps);
    const uint32_t mode = Field(record, f::kMode);
    if (sampleRate == 0 || sampleRate > 1000000 || outSampleRate > 1000000) {
        return lame_enc::kErrInvalidParameters;
    }
    if (bitRate == 0 || bitRate > 1000) return lame_enc::kErrInvalidParameters;
    if (mode != lame_enc::kModeStereo && mode != lame_enc::kModeJointStereo &&
        mode != lame_enc::kModeMono) {
        return lame_enc::kErrInvalidParameters;
    }
    if (Field(record, f::kVbr) != 0) return lame_enc::kErrInvalidParameters;

    config.channels = mode == lame_enc::kModeMono ? 1 : 2;
    config.sampleRateHz = static_cast<int>(sampleRate);
    // Nothing is resampled: where MP3 can carry the input rate, keep it.
    config.outSampleRateHz = outSampleRate != 0 ? static_cast<int>(outSampleRate)
                             : IsMp3SampleRate(config.sampleRateHz) ? config.sampleRateHz
                                                                    : 0;
    config.mode = mode;
    config.bitRateKbps = static_cast<int>(bitRate);
    config.preset = Field(record, f::kPreset);
    config.emphasis = static_cast<int>(Field(record, f::kEmphasis) & 3);
    config.privateBit = Field(record, f::kPrivate) != 0;
    config.crc = Field(record, f::kCrc) != 0;
    config.copyright = Field(record, f::kCopyright) != 0;
    config.original = Field(record, f::kOriginal) != 0;
    config.writeTag = Field(record, f::kWriteVbrHeader) != 0;
    config.noBitReservoir = Field(record, f::kNoBitReservoir) != 0;
    return lame_enc::kOk;
}
