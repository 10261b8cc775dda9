#pragma once
// One encoding stream of the encoder library for the length of one export:
// opened for the source's format (128 kbit/s constant bit rate, mono for a
// mono source and joint stereo otherwise), fed chunks of 16-bit samples whose
// MP3 bytes go straight to the output file, flushed at the end, and closed
// when the object goes (or by Close). UI thread only.

#include <QString>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "audio/LameEncoder.h"
#include "audio/WavHeader.h"
#include "base/Result.h"

class Mp3EncodingStream {
public:
    // `destinationPath` names the file in the texts of the failures.
    static Result<Mp3EncodingStream> Open(const LameEncoder& encoder, const WavHeader& source,
                                          const QString& destinationPath);
    ~Mp3EncodingStream() { Close(); }
    Mp3EncodingStream(Mp3EncodingStream&& other) noexcept;
    Mp3EncodingStream(const Mp3EncodingStream&) = delete;
    Mp3EncodingStream& operator=(const Mp3EncodingStream&) = delete;
    Mp3EncodingStream& operator=(Mp3EncodingStream&&) = delete;

    // The most samples one Encode takes.
    uint32_t samplesPerChunk() const { return samplesPerChunk_; }

    // Encodes `count` samples and appends what comes out to `out`.
    Status Encode(const int16_t* samples, uint32_t count, std::FILE* out);

    // Flushes the encoder and appends the last bytes to `out`.
    Status Finish(std::FILE* out);

    // Writes the Info tag into the finished file at `writtenPath`; the
    // stream is closed first.
    Status WriteInfoTag(const QString& writtenPath);

    void Close();

private:
    Mp3EncodingStream(const LameEncoder& encoder, const QString& destinationPath)
        : encoder_(&encoder), destinationPath_(destinationPath) {}
    Failure WriteFailure(const QString& text) const;

    const LameEncoder* encoder_;
    QString destinationPath_;
    lame_enc::Stream handle_ = 0;
    bool open_ = false;
    uint32_t samplesPerChunk_ = 0;
    uint32_t mp3BufferBytes_ = 0;
    std::unique_ptr<uint8_t[]> mp3_;
};
