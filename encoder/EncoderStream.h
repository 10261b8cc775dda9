#pragma once
// One MP3 encoding over libmp3lame: interleaved 16-bit samples in, MP3 bytes
// out, then the Info/Xing tag written into the finished file. Used by one
// thread at a time.

#include <cstdint>
#include <memory>
#include <vector>

#include "encoder/EncoderConfig.h"
#include "encoder/LameEnc.h"

struct lame_global_struct;

class EncoderStream {
public:
    ~EncoderStream();
    EncoderStream(const EncoderStream&) = delete;
    EncoderStream& operator=(const EncoderStream&) = delete;

    // A stream for `config`; null with the reason in `result` when
    // libmp3lame cannot be set up for it.
    static std::unique_ptr<EncoderStream> Create(const EncoderConfig& config,
                                                 lame_enc::Result& result);

    // Samples of all channels together that one encode() takes at most.
    uint32_t samplesPerChunk() const { return samplesPerChunk_; }
    // Room the MP3 buffer of encode() and flush() must have.
    uint32_t mp3BufferBytes() const { return mp3BufferBytes_; }

    // Encodes `count` interleaved samples. A sample that does not complete
    // a stereo frame is kept for the next call.
    lame_enc::Result encode(const int16_t* samples, uint32_t count, uint8_t* mp3,
                            uint32_t& mp3Bytes);

    // Encodes what libmp3lame still holds and ends the stream.
    lame_enc::Result flush(uint8_t* mp3, uint32_t& mp3Bytes);
    bool flushed() const { return flushed_; }

    // Whether the configuration asked for the Info/Xing tag.
    bool wantsTag() const { return wantsTag_; }

    // Writes the tag into the first frame of the finished file at `path`,
    // which must hold the stream's bytes from its start.
    lame_enc::Result writeTag(const char* path);

private:
    explicit EncoderStream(lame_global_struct* lame);

    struct LameCloser {
        void operator()(lame_global_struct* lame) const;
    };
    std::unique_ptr<lame_global_struct, LameCloser> lame_;
    int channels_ = 2;
    uint32_t samplesPerChunk_ = 0;
    uint32_t mp3BufferBytes_ = 0;
    bool wantsTag_ = false;
    bool flushed_ = false;
    bool hasCarried_ = false;
    int16_t carried_ = 0;
    std::vector<int16_t> joined_;  // a carried sample and the next chunk
};
