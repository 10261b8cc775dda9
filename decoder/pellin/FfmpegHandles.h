#pragma once
// FFmpeg's objects, each freed by its own function when it goes out of scope.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
}

#include <memory>

namespace pellin {

struct FormatContextCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct CodecContextFreer {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct SwrContextFreer {
    void operator()(SwrContext* context) const { swr_free(&context); }
};
struct PacketFreer {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameFreer {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
// The buffer may have been replaced by FFmpeg since it was handed over, so
// the context's own is freed.
struct IoContextFreer {
    void operator()(AVIOContext* context) const {
        av_freep(&context->buffer);
        avio_context_free(&context);
    }
};

using FormatContext = std::unique_ptr<AVFormatContext, FormatContextCloser>;
using CodecContext = std::unique_ptr<AVCodecContext, CodecContextFreer>;
using ResamplerContext = std::unique_ptr<SwrContext, SwrContextFreer>;
using Packet = std::unique_ptr<AVPacket, PacketFreer>;
using Frame = std::unique_ptr<AVFrame, FrameFreer>;
using IoContext = std::unique_ptr<AVIOContext, IoContextFreer>;

// A channel layout; a custom one owns a map that must be freed.
class ChannelLayout {
public:
    ChannelLayout() = default;
    ~ChannelLayout() { av_channel_layout_uninit(&layout_); }
    ChannelLayout(const ChannelLayout&) = delete;
    ChannelLayout& operator=(const ChannelLayout&) = delete;

    // False when the copy could not be allocated.
    bool assign(const AVChannelLayout& other) {
        return av_channel_layout_copy(&layout_, &other) == 0;
    }
    void assignDefault(int channels) {
        av_channel_layout_uninit(&layout_);
        av_channel_layout_default(&layout_, channels);
    }
    const AVChannelLayout& get() const { return layout_; }
    int channels() const { return layout_.nb_channels; }

private:
    AVChannelLayout layout_{};
};

}  // namespace pellin
