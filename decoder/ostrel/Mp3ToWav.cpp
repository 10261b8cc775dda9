#include "decoder/ostrel/Mp3ToWav.h"

#include <sys/stat.h>

#include <cstring>
#include <new>

#include "decoder/ostrel/MadDecoder.h"
#include "decoder/ostrel/Ostrel.h"
#include "decoder/ostrel/PcmSample.h"

namespace ostrel {

namespace {
// The header of a file in which no frame decoded.
constexpr int kNoAudioChannels = 1;
constexpr int kNoAudioSampleRate = 44100;
constexpr int kBitsPerSample = 16;
}  // namespace

int Mp3ToWav::convert(const char* sourcePath, const char* destinationPath) {
    if (!allocateBuffers()) return kOstrelDecoderFailed;
    // The source first, so that a source that cannot be read leaves the
    // destination as it was.
    if (!openSource(sourcePath)) return kOstrelSourceUnopenable;
    destination_ = StdioFile(std::fopen(destinationPath, "wb"));
    if (!destination_) return kOstrelDestinationUnopenable;
    // Runs are written whole from the sample buffer; a stdio buffer would
    // only copy part of each run and split it in two writes.
    std::setvbuf(destination_.get(), nullptr, _IONBF, 0);

    sampleCount_ = 0;
    int run;
    {
        MadDecoder decoder(this, &Input, &Output, &Error);
        run = decoder.runSync();
    }
    finishDestination();
    source_.close();

    if (writeFailed_) return kOstrelWriteFailed;
    if (readFailed_) return kOstrelReadFailed;
    if (run != 0) return kOstrelDecoderFailed;
    if (!headerWritten_) return kOstrelNoAudio;
    if (rateChanged_) return kOstrelRateChanged;
    return kOstrelDecoded;
}

bool Mp3ToWav::allocateBuffers() {
    input_.reset(new (std::nothrow) unsigned char[kInputBufferBytes + MAD_BUFFER_GUARD]);
    samples_.reset(new (std::nothrow) int16_t[kSampleBufferSamples]);
    return input_ && samples_;
}

bool Mp3ToWav::openSource(const char* path) {
    source_ = StdioFile(std::fopen(path, "rb"));
    if (!source_) return false;
    // A folder opens for reading but every read fails.
    struct stat status;
    if (fstat(fileno(source_.get()), &status) != 0 || S_ISDIR(status.st_mode)) {
        source_.close();
        return false;
    }
    // Fills go straight into the input buffer, one read each.
    std::setvbuf(source_.get(), nullptr, _IONBF, 0);
    return true;
}

mad_flow Mp3ToWav::Input(void* self, mad_stream* stream) noexcept {
    return static_cast<Mp3ToWav*>(self)->fill(*stream);
}

mad_flow Mp3ToWav::Output(void* self, const mad_header* header, mad_pcm* pcm) noexcept {
    return static_cast<Mp3ToWav*>(self)->append(*header, *pcm);
}

mad_flow Mp3ToWav::Error(void*, mad_stream*, mad_frame*) noexcept {
    // A damaged frame is skipped; decoding goes on with the next one.
    return MAD_FLOW_CONTINUE;
}

mad_flow Mp3ToWav::fill(mad_stream& stream) {
    // The last fill ended the stream: everything there was has been decoded.
    if (endOfSource_) return MAD_FLOW_STOP;
    std::FILE* source = source_.get();

    // Keep what libmad has not consumed yet (before the first fill there is
    // no next frame and nothing to keep).
    size_t kept = 0;
    if (stream.next_frame != nullptr) {
        kept = static_cast<size_t>(stream.bufend - stream.next_frame);
        std::memmove(input_.get(), stream.next_frame, kept);
    }
    // No frame is anywhere near this long, so libmad never leaves a full
    // buffer unconsumed; stop rather than ask for zero bytes for ever.
    if (kept == kInputBufferBytes) return MAD_FLOW_STOP;

    const size_t wanted = kInputBufferBytes - kept;
    const size_t read = std::fread(input_.get() + kept, 1, wanted, source);
    if (read < wanted && std::ferror(source)) {
        // Without this the decoder would ask again and again: a read error
        // never reaches the end of the file.
        readFailed_ = true;
        return MAD_FLOW_BREAK;
    }
    size_t length = kept + read;
    if (read < wanted) {
        // The end of the file. libmad decodes a frame only once it sees
        // MAD_BUFFER_GUARD bytes past it, so zeros stand in for the frame
        // that would follow the last one.
        std::memset(input_.get() + length, 0, MAD_BUFFER_GUARD);
        length += MAD_BUFFER_GUARD;
        endOfSource_ = true;
    }
    mad_stream_buffer(&stream, input_.get(), length);
    return MAD_FLOW_CONTINUE;
}

mad_flow Mp3ToWav::append(const mad_header& header, const mad_pcm& pcm) {
    if (!headerWritten_) {
        // Channels and rate are known only now; the first frame decides them.
        InitWavHeader(header_, pcm.channels, static_cast<int>(header.samplerate), kBitsPerSample);
        headerWritten_ = true;
        if (std::fwrite(&header_, kWavHeaderBytes, 1, destination_.get()) != 1) {
            writeFailed_ = true;
            return MAD_FLOW_BREAK;
        }
    } else if (header.samplerate != header_.sampleRate) {
        // Joined files: what follows would play at the wrong speed, and
        // nothing is resampled. What came before stays.
        rateChanged_ = true;
        return MAD_FLOW_STOP;
    }

    // A block is converted whole and the buffer written once it holds more
    // than kFlushSamples; the buffer has room for the block that crosses it.
    // A block whose channel count differs from the file's is made to fit.
    int16_t* end = samples_.get() + sampleCount_;
    const size_t length = pcm.length;
    if (header_.channels == 2) {
        const mad_fixed_t* right = pcm.channels == 2 ? pcm.samples[1] : pcm.samples[0];
        InterleavePcm16(pcm.samples[0], right, length, end);
        sampleCount_ += 2 * length;
    } else {
        if (pcm.channels == 2) {
            DownmixPcm16(pcm.samples[0], pcm.samples[1], length, end);
        } else {
            ConvertPcm16(pcm.samples[0], length, end);
        }
        sampleCount_ += length;
    }
    if (sampleCount_ > kFlushSamples && !writeBufferedSamples()) return MAD_FLOW_BREAK;
    return MAD_FLOW_CONTINUE;
}

bool Mp3ToWav::writeBufferedSamples() {
    const size_t written =
        std::fwrite(samples_.get(), sizeof(int16_t), sampleCount_, destination_.get());
    header_.dataSize += static_cast<uint32_t>(written * sizeof(int16_t));
    if (written != sampleCount_) writeFailed_ = true;
    sampleCount_ = 0;
    return !writeFailed_;
}

void Mp3ToWav::finishDestination() {
    if (sampleCount_ > 0 && !writeFailed_) writeBufferedSamples();
    if (!headerWritten_)
        InitWavHeader(header_, kNoAudioChannels, kNoAudioSampleRate, kBitsPerSample);
    // Rewritten even after a failed write, so that the sizes describe the
    // samples that did reach the file.
    header_.riffSize = header_.dataSize + kEmptyRiffSize;
    std::FILE* destination = destination_.get();
    if (std::fseek(destination, 0, SEEK_SET) != 0 ||
        std::fwrite(&header_, kWavHeaderBytes, 1, destination) != 1) {
        writeFailed_ = true;
    }
    if (!destination_.close()) writeFailed_ = true;
}

}  // namespace ostrel
