#include "encoder/EncoderStream.h"

#include <lame/lame.h>

#include <cstdarg>
#include <cstdio>

namespace {

// A library prints nothing: libmp3lame's reports are dropped.
void Silent(const char*, va_list) {}

// libmp3lame's worst case for the MP3 bytes of `frames` frames of input
// (lame.h): 1.25 bytes a sample and channel plus 7200.
uint32_t WorstCaseMp3Bytes(int frames) {
    return static_cast<uint32_t>((frames * 5 + 3) / 4 + 7200);
}

}  // namespace

void EncoderStream::LameCloser::operator()(lame_global_struct* lame) const { lame_close(lame); }

EncoderStream::EncoderStream(lame_global_struct* lame) : lame_(lame) {}

EncoderStream::~EncoderStream() = default;

std::unique_ptr<EncoderStream> EncoderStream::Create(const EncoderConfig& config,
                                                     lame_enc::Result& result) {
    lame_global_flags* lame = lame_init();
    if (lame == nullptr) {
        result = lame_enc::kErrNoMoreHandles;
        return nullptr;
    }
    std::unique_ptr<EncoderStream> stream(new EncoderStream(lame));
    lame_set_errorf(lame, Silent);
    lame_set_debugf(lame, Silent);
    lame_set_msgf(lame, Silent);

    lame_set_num_channels(lame, config.channels);
    lame_set_in_samplerate(lame, config.sampleRateHz);
    lame_set_out_samplerate(lame, config.outSampleRateHz);
    lame_set_mode(lame, static_cast<MPEG_mode>(config.mode));
    lame_set_VBR(lame, vbr_off);
    lame_set_brate(lame, config.bitRateKbps);
    if (config.preset == lame_enc::kPresetStandard) {
        lame_set_quality(lame, lame_enc::kStandardAlgorithmQuality);
    }
    lame_set_emphasis(lame, config.emphasis);
    lame_set_extension(lame, config.privateBit ? 1 : 0);
    lame_set_error_protection(lame, config.crc ? 1 : 0);
    lame_set_copyright(lame, config.copyright ? 1 : 0);
    lame_set_original(lame, config.original ? 1 : 0);
    lame_set_bWriteVbrTag(lame, config.writeTag ? 1 : 0);
    lame_set_disable_reservoir(lame, config.noBitReservoir ? 1 : 0);
    if (lame_init_params(lame) < 0) {
        result = lame_enc::kErrInvalidParameters;
        return nullptr;
    }

    const int frameSamples = lame_get_framesize(lame);
    stream->channels_ = config.channels;
    stream->samplesPerChunk_ = static_cast<uint32_t>(frameSamples * config.channels);
    stream->mp3BufferBytes_ = WorstCaseMp3Bytes(frameSamples);
    stream->wantsTag_ = config.writeTag;
    stream->joined_.reserve(stream->samplesPerChunk_ + 1);
    result = lame_enc::kOk;
    return stream;
}

lame_enc::Result EncoderStream::encode(const int16_t* samples, uint32_t count, uint8_t* mp3,
                                       uint32_t& mp3Bytes) {
    mp3Bytes = 0;
    if (flushed_) return lame_enc::kErrInvalidHandle;
    if (count > samplesPerChunk_) return lame_enc::kErrBufferTooSmall;
    if (count == 0) return lame_enc::kOk;
    if (samples == nullptr || mp3 == nullptr) return lame_enc::kErrInvalidParameters;

    const int16_t* pcm = samples;
    size_t total = count;
    if (channels_ == 2 && (hasCarried_ || count % 2 != 0)) {
        joined_.clear();
        if (hasCarried_) joined_.push_back(carried_);
        joined_.insert(joined_.end(), samples, samples + count);
        hasCarried_ = joined_.size() % 2 != 0;
        if (hasCarried_) {
            carried_ = joined_.back();
            joined_.pop_back();
        }
        pcm = joined_.data();
        total = joined_.size();
    }
    const int frames = static_cast<int>(total / channels_);
    if (frames == 0) return lame_enc::kOk;

    // libmp3lame copies the samples and never writes them; its prototypes
    // only lack the const.
    short* input = const_cast<short*>(pcm);
    const int size = static_cast<int>(mp3BufferBytes_);
    const int produced = channels_ == 2
                             ? lame_encode_buffer_interleaved(lame_.get(), input, frames, mp3, size)
                             : lame_encode_buffer(lame_.get(), input, input, frames, mp3, size);
    if (produced == -1) return lame_enc::kErrBufferTooSmall;
    if (produced < 0) return lame_enc::kErrEncoder;
    mp3Bytes = static_cast<uint32_t>(produced);
    return lame_enc::kOk;
}

lame_enc::Result EncoderStream::flush(uint8_t* mp3, uint32_t& mp3Bytes) {
    mp3Bytes = 0;
    if (flushed_) return lame_enc::kErrInvalidHandle;
    if (mp3 == nullptr) return lame_enc::kErrInvalidParameters;
    // A carried half of a stereo frame has no partner: it is dropped.
    hasCarried_ = false;
    const int produced = lame_encode_flush(lame_.get(), mp3, static_cast<int>(mp3BufferBytes_));
    if (produced < 0) return lame_enc::kErrEncoder;
    flushed_ = true;
    mp3Bytes = static_cast<uint32_t>(produced);
    return lame_enc::kOk;
}

lame_enc::Result EncoderStream::writeTag(const char* path) {
    if (!wantsTag_) return lame_enc::kOk;
    if (path == nullptr) return lame_enc::kErrInvalidParameters;
    // libmp3lame reads the file's start (to step over an ID3v2 tag) before
    // it writes the tag frame: open for reading and writing.
    std::FILE* file = std::fopen(path, "r+b");
    if (file == nullptr) return lame_enc::kErrFile;
    lame_mp3_tags_fid(lame_.get(), file);
    const bool written = std::ferror(file) == 0;
    return std::fclose(file) == 0 && written ? lame_enc::kOk : lame_enc::kErrFile;
}
