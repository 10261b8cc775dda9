#include "decoder/pellin/WmaToWav.h"

#include <algorithm>
#include <optional>

#include "decoder/pellin/AsfLength.h"
#include "decoder/pellin/Pellin.h"

namespace pellin {

namespace {

// The source is read through our own context and by nothing else: a
// container that refers to other files or addresses (a playlist, a
// reference movie) does not get to open them.
int RefuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
    return AVERROR(EPERM);
}

// An audio stream whose codec, rate and channels are known.
bool HasAudioParameters(const AVFormatContext& format) {
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        const AVCodecParameters& p = *format.streams[i]->codecpar;
        if (p.codec_type == AVMEDIA_TYPE_AUDIO && p.codec_id != AV_CODEC_ID_NONE &&
            p.sample_rate > 0 && p.ch_layout.nb_channels > 0) {
            return true;
        }
    }
    return false;
}

int OpenFailure(int error) {
    return error == AVERROR(ENOMEM) ? kPellinDecoderFailed : kPellinNotDecodable;
}

}  // namespace

int WmaToWav::convert(const char* sourcePath, const char* destinationPath) {
    // The program keeps no log; FFmpeg's complaints about damaged packets
    // would only clutter its terminal.
    av_log_set_level(AV_LOG_QUIET);

    // The destination is touched only once the first frame has decoded, so
    // that a source without a single one leaves it as it was.
    destinationPath_ = destinationPath;
    if (const int result = openSource(sourcePath); result != kPellinDecoded) return result;
    if (const int result = openDecoder(); result != kPellinDecoded) return result;

    // Once it is created, a failure leaves no file: the writer removes it
    // unless it was finished.
    if (const int result = decodeAll(); result != kPellinDecoded) return result;
    if (!destination_.started()) return kPellinNoAudio;
    return destination_.finish() ? kPellinDecoded : kPellinWriteFailed;
}

int WmaToWav::openSource(const char* path) {
    if (!source_.open(path)) return kPellinSourceUnopenable;
    // avformat decodes what a file cut short still holds without a word; an
    // ASF file (every WMA file is one) says in its header how long it is.
    const auto asfLength =
        source_.regular() ? AsfDeclaredLength(source_.descriptor()) : std::nullopt;
    if (asfLength && uint64_t(source_.size()) < *asfLength) return kPellinTruncated;

    AVFormatContext* format = avformat_alloc_context();
    if (format == nullptr) return kPellinDecoderFailed;
    format->pb = source_.ioContext();
    if (format->pb == nullptr) {
        avformat_free_context(format);
        return kPellinDecoderFailed;
    }
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    format->io_open = &RefuseNestedOpen;
    // No name: the probe goes by the content alone, whatever the extension.
    // For ASF the header identifier just read is all that avformat's probe
    // would look at; asking every other format's probe as well would only
    // page in much of libavformat. On failure avformat frees the context.
    const AVInputFormat* asf = asfLength ? av_find_input_format("asf") : nullptr;
    const int opened = avformat_open_input(&format, "", asf, nullptr);
    if (opened < 0) return source_.readFailed() ? kPellinReadFailed : OpenFailure(opened);
    format_.reset(format);

    // An ASF header gives all a decoder needs; other containers may tell
    // their streams' parameters only from the first packets. A stream whose
    // parameters stay unknown is judged below, by the decoder.
    if (!asf || !HasAudioParameters(*format)) avformat_find_stream_info(format, nullptr);
    if (source_.readFailed()) return kPellinReadFailed;
    return kPellinDecoded;
}

int WmaToWav::openDecoder() {
    const AVCodec* codec = nullptr;
    streamIndex_ = av_find_best_stream(format_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (streamIndex_ == AVERROR_STREAM_NOT_FOUND) return kPellinNoAudio;
    if (streamIndex_ < 0 || codec == nullptr) return kPellinNotDecodable;
    // The demuxer drops the packets of every other stream unread.
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        if (int(i) != streamIndex_) format_->streams[i]->discard = AVDISCARD_ALL;
    }

    const AVStream* stream = format_->streams[streamIndex_];
    decoder_.reset(avcodec_alloc_context3(codec));
    if (!decoder_) return kPellinDecoderFailed;
    if (const int copied = avcodec_parameters_to_context(decoder_.get(), stream->codecpar);
        copied < 0) {
        return OpenFailure(copied);
    }
    decoder_->pkt_timebase = stream->time_base;
    if (const int opened = avcodec_open2(decoder_.get(), codec, nullptr); opened < 0)
        return OpenFailure(opened);

    packet_.reset(av_packet_alloc());
    frame_.reset(av_frame_alloc());
    block_ = std::make_unique_for_overwrite<int16_t[]>(kBlockSamples);
    blockCapacity_ = kBlockSamples;
    if (!packet_ || !frame_) return kPellinDecoderFailed;
    return kPellinDecoded;
}

int WmaToWav::decodeAll() {
    for (;;) {
        const int read = av_read_frame(format_.get(), packet_.get());
        if (read == AVERROR_EOF) break;
        if (read < 0) return failureWhileReading(read);
        const int result =
            packet_->stream_index == streamIndex_ ? decode(packet_.get()) : kPellinDecoded;
        av_packet_unref(packet_.get());
        if (result != kPellinDecoded) return result;
    }
    // avio reports a failed read as the end of the file as well.
    if (source_.readFailed() || format_->pb->error < 0) return kPellinReadFailed;

    // The frames the decoder still holds, then the samples the converter does.
    if (const int result = decode(nullptr); result != kPellinDecoded) return result;
    if (converter_.configured()) {
        if (const int result = append(nullptr); result != kPellinDecoded) return result;
    }
    return blockSamples_ > 0 && !writeBlock() ? kPellinWriteFailed : kPellinDecoded;
}

int WmaToWav::decode(const AVPacket* packet) {
    const int sent = avcodec_send_packet(decoder_.get(), packet);
    // A damaged packet is dropped and decoding goes on with the next, as
    // players do; anything else ends the conversion.
    if (sent < 0 && sent != AVERROR_INVALIDDATA && sent != AVERROR_EOF)
        return failureWhileReading(sent);
    for (;;) {
        const int received = avcodec_receive_frame(decoder_.get(), frame_.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return kPellinDecoded;
        // Its packet is gone; the next one goes on.
        if (received == AVERROR_INVALIDDATA) return kPellinDecoded;
        if (received < 0) return failureWhileReading(received);
        const int result = append(frame_.get());
        av_frame_unref(frame_.get());
        if (result != kPellinDecoded) return result;
    }
}

int WmaToWav::append(const AVFrame* frame) {
    if (frame != nullptr && converter_.needsSetUp(*frame)) {
        // Samples held back for the old format go out before the new one.
        if (converter_.configured()) {
            if (const int result = append(nullptr); result != kPellinDecoded) return result;
        }
        if (!converter_.setUp(*frame)) return kPellinDecoderFailed;
        if (!destination_.started()) {
            if (const int result = createDestination(); result != kPellinDecoded) return result;
        }
    }

    const size_t channels = size_t(converter_.channels());
    // Drained in as many rounds as it takes; a frame in one.
    for (;;) {
        const int inputFrames = frame ? frame->nb_samples : 0;
        const size_t needed =
            size_t(std::max(converter_.maxOutputFrames(inputFrames), 0)) * channels;
        if (blockCapacity_ - blockSamples_ < needed) {
            if (blockSamples_ > 0 && !writeBlock()) return kPellinWriteFailed;
            // A frame larger than a block (no audio codec has one) widens it.
            if (blockCapacity_ < needed) {
                block_ = std::make_unique_for_overwrite<int16_t[]>(needed);
                blockCapacity_ = needed;
            }
        }
        const int capacity = int((blockCapacity_ - blockSamples_) / channels);
        const int converted = converter_.convert(frame, block_.get() + blockSamples_, capacity);
        if (converted < 0) return failureWhileReading(converted);
        blockSamples_ += size_t(converted) * channels;
        if (frame != nullptr || converted == 0) return kPellinDecoded;
    }
}

int WmaToWav::createDestination() {
    // Truncating the source would destroy what is being decoded.
    if (source_.isSameFileAs(destinationPath_)) return kPellinDestinationUnopenable;
    // The first frame decides the file's format; a rate no WAV header can
    // describe comes from a damaged or hostile file.
    if (converter_.sampleRate() > kMaxWavSampleRate) return kPellinNotDecodable;
    if (!destination_.create(destinationPath_)) return kPellinDestinationUnopenable;
    return destination_.begin(converter_.channels(), converter_.sampleRate()) ? kPellinDecoded
                                                                              : kPellinWriteFailed;
}

bool WmaToWav::writeBlock() {
    const bool written = destination_.append(block_.get(), blockSamples_);
    blockSamples_ = 0;
    return written;
}

int WmaToWav::failureWhileReading(int error) const {
    if (source_.readFailed()) return kPellinReadFailed;
    return error == AVERROR(ENOMEM) ? kPellinDecoderFailed : kPellinReadFailed;
}

}  // namespace pellin
