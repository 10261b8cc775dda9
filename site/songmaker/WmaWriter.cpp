#include "site/songmaker/WmaWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
}

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

struct OutputCloser {
    void operator()(AVFormatContext* format) const {
        if (format->pb != nullptr) avio_closep(&format->pb);
        avformat_free_context(format);
    }
};
struct CodecCloser {
    void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
};
struct FrameCloser {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketCloser {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

std::string ErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// Hands one frame (or the end, with none) to the encoder and writes every
// packet that comes out. Returns 0 or an FFmpeg error code.
int EncodeAndWrite(AVCodecContext* codec, const AVFrame* frame, AVFormatContext* format,
                   AVStream* stream, AVPacket* packet) {
    int result = avcodec_send_frame(codec, frame);
    while (result >= 0) {
        result = avcodec_receive_packet(codec, packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return 0;
        if (result < 0) break;
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        result = av_interleaved_write_frame(format, packet);
    }
    return result;
}

}  // namespace

bool WriteWma(const StereoMix& mix, const std::string& title, const std::string& path,
              std::string& error) {
    auto fail = [&](const std::string& what, int code) {
        error = path + ": " + what + (code < 0 ? ": " + ErrorText(code) : std::string());
        return false;
    };
    AVFormatContext* rawFormat = nullptr;
    int result = avformat_alloc_output_context2(&rawFormat, nullptr, "asf", path.c_str());
    if (result < 0 || rawFormat == nullptr) return fail("no ASF writer", result);
    std::unique_ptr<AVFormatContext, OutputCloser> format(rawFormat);
    // Same song, same bytes: no dates or library versions in the file.
    format->flags |= AVFMT_FLAG_BITEXACT;

    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
    if (encoder == nullptr) return fail("no WMA encoder in libavcodec", 0);
    std::unique_ptr<AVCodecContext, CodecCloser> codec(avcodec_alloc_context3(encoder));
    if (!codec) return fail("no memory", 0);
    codec->sample_fmt = AV_SAMPLE_FMT_FLTP;
    codec->sample_rate = mix.sampleRateHz;
    av_channel_layout_default(&codec->ch_layout, 2);
    codec->bit_rate = 128000;
    codec->time_base = AVRational{1, mix.sampleRateHz};
    codec->flags |= AV_CODEC_FLAG_BITEXACT;
    if (format->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if ((result = avcodec_open2(codec.get(), encoder, nullptr)) < 0) {
        return fail("the WMA encoder refuses the settings", result);
    }

    AVStream* stream = avformat_new_stream(format.get(), nullptr);
    if (stream == nullptr) return fail("no memory", 0);
    stream->time_base = codec->time_base;
    if ((result = avcodec_parameters_from_context(stream->codecpar, codec.get())) < 0) {
        return fail("stream settings", result);
    }
    av_dict_set(&format->metadata, "title", title.c_str(), 0);
    if ((result = avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0) {
        return fail("cannot be created", result);
    }
    if ((result = avformat_write_header(format.get(), nullptr)) < 0) {
        return fail("header", result);
    }

    std::unique_ptr<AVFrame, FrameCloser> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, PacketCloser> packet(av_packet_alloc());
    if (!frame || !packet) return fail("no memory", 0);
    frame->format = codec->sample_fmt;
    frame->sample_rate = codec->sample_rate;
    frame->nb_samples = codec->frame_size;
    if ((result = av_channel_layout_copy(&frame->ch_layout, &codec->ch_layout)) < 0 ||
        (result = av_frame_get_buffer(frame.get(), 0)) < 0) {
        return fail("frame", result);
    }
    const size_t frameSize = static_cast<size_t>(codec->frame_size);
    for (size_t at = 0; at < mix.frames(); at += frameSize) {
        if ((result = av_frame_make_writable(frame.get())) < 0) return fail("frame", result);
        // The encoder takes whole frames only: the last one is filled up with silence.
        const size_t count = std::min(frameSize, mix.frames() - at);
        auto* left = reinterpret_cast<float*>(frame->data[0]);
        auto* right = reinterpret_cast<float*>(frame->data[1]);
        std::fill(left, left + frameSize, 0.0f);
        std::fill(right, right + frameSize, 0.0f);
        std::memcpy(left, mix.left.data() + at, count * sizeof(float));
        std::memcpy(right, mix.right.data() + at, count * sizeof(float));
        frame->pts = static_cast<int64_t>(at);
        result = EncodeAndWrite(codec.get(), frame.get(), format.get(), stream, packet.get());
        if (result < 0) return fail("encoding", result);
    }
    if ((result = EncodeAndWrite(codec.get(), nullptr, format.get(), stream, packet.get())) < 0) {
        return fail("encoding the end", result);
    }
    if ((result = av_write_trailer(format.get())) < 0) return fail("trailer", result);
    if ((result = avio_closep(&format->pb)) < 0) return fail("cannot be written", result);
    return true;
}
