#pragma once
// One conversion of a WMA file (or any audio file FFmpeg opens) into a WAV
// file: the container read packet by packet, the audio stream decoded frame by
// frame, converted to 16 bits and written in blocks of a fixed size, so that
// memory stays the same whatever the length. Used once, for one call of the
// export.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "decoder/pellin/FfmpegHandles.h"
#include "decoder/pellin/Pcm16Converter.h"
#include "decoder/pellin/SourceFile.h"
#include "decoder/pellin/WavFileWriter.h"

namespace pellin {

class WmaToWav {
public:
    // Decoded samples are written once this many would no longer fit.
    static constexpr size_t kBlockSamples = size_t{1} << 17;

    // Decodes `sourcePath` into `destinationPath`; returns one of the kPellin
    // results of decoder/pellin/Pellin.h.
    int convert(const char* sourcePath, const char* destinationPath);

private:
    int openSource(const char* path);
    int openDecoder();
    int decodeAll();
    int decode(const AVPacket* packet);
    int append(const AVFrame* frame);
    int createDestination();
    bool writeBlock();
    int failureWhileReading(int error) const;

    // Declared before the contexts that read through it, so that it goes last.
    SourceFile source_;
    FormatContext format_;
    CodecContext decoder_;
    int streamIndex_ = -1;
    Packet packet_;
    Frame frame_;
    Pcm16Converter converter_;
    // Written before it is read: never zeroed first.
    std::unique_ptr<int16_t[]> block_;
    size_t blockCapacity_ = 0;
    size_t blockSamples_ = 0;
    const char* destinationPath_ = nullptr;
    WavFileWriter destination_;
};

}  // namespace pellin
