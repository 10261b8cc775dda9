#pragma once
// One conversion of an MPEG audio file into a WAV file: the state that
// libmad's input, output and error callbacks share. Used once, for one call
// of the export.

#include <mad.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "decoder/ostrel/StdioFile.h"
#include "decoder/ostrel/WavHeader.h"

namespace ostrel {

class Mp3ToWav {
public:
    // The source is read in fills of this size; a frame cut off at the end of
    // one fill is kept and completed by the next. The buffer has
    // MAD_BUFFER_GUARD bytes more for the zeros after the end of the file.
    static constexpr size_t kInputBufferBytes = 0x80000;
    static constexpr size_t kSampleBufferSamples = 0x100000 / sizeof(int16_t);
    // Buffered samples are written once there are more than this many, after
    // the block that crosses the mark; a block adds at most 2 x 1152 samples
    // (libmad's mad_pcm holds no more), so the buffer never overflows.
    static constexpr size_t kFlushSamples = 0x7D800;
    static constexpr size_t kMaxBlockSamples = 2 * 1152;
    static_assert(kFlushSamples + kMaxBlockSamples <= kSampleBufferSamples);

    // Decodes `sourcePath` into `destinationPath`; returns one of the kOstrel
    // results of decoder/ostrel/Ostrel.h.
    int convert(const char* sourcePath, const char* destinationPath);

private:
    bool allocateBuffers();
    bool openSource(const char* path);
    static mad_flow Input(void* self, mad_stream* stream) noexcept;
    static mad_flow Output(void* self, const mad_header* header, mad_pcm* pcm) noexcept;
    static mad_flow Error(void* self, mad_stream* stream, mad_frame* frame) noexcept;
    mad_flow fill(mad_stream& stream);
    mad_flow append(const mad_header& header, const mad_pcm& pcm);
    bool writeBufferedSamples();
    void finishDestination();

    StdioFile source_;
    StdioFile destination_;
    std::unique_ptr<unsigned char[]> input_;
    std::unique_ptr<int16_t[]> samples_;
    size_t sampleCount_ = 0;
    // Its data size counts the sample bytes written so far.
    WavHeader header_{};
    bool headerWritten_ = false;
    bool endOfSource_ = false;
    bool rateChanged_ = false;
    bool writeFailed_ = false;
    bool readFailed_ = false;
};

}  // namespace ostrel
