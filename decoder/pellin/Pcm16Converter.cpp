#include "decoder/pellin/Pcm16Converter.h"

namespace pellin {

namespace {

// A layout that only counts its channels is taken as the standard one for the
// count, so that libswresample can mix it down.
bool KnownLayout(const AVChannelLayout& layout, ChannelLayout& known) {
    if (layout.order == AV_CHANNEL_ORDER_UNSPEC) {
        known.assignDefault(layout.nb_channels);
        return true;
    }
    return known.assign(layout);
}

}  // namespace

bool Pcm16Converter::needsSetUp(const AVFrame& frame) const {
    return !converter_ || frame.format != inputFormat_ || frame.sample_rate != inputRate_ ||
           frame.ch_layout.nb_channels != inputLayout_.channels() ||
           (frame.ch_layout.order != AV_CHANNEL_ORDER_UNSPEC &&
            av_channel_layout_compare(&frame.ch_layout, &inputLayout_.get()) != 0);
}

bool Pcm16Converter::setUp(const AVFrame& frame) {
    converter_.reset();
    if (frame.ch_layout.nb_channels <= 0 || frame.sample_rate <= 0) return false;
    if (!KnownLayout(frame.ch_layout, inputLayout_)) return false;

    // The first frame fixes the output. Should a later one come at another
    // rate, it is resampled to the first, so that the file plays at one speed.
    ChannelLayout outputLayout;
    if (outputChannels_ == 0) {
        outputChannels_ = inputLayout_.channels() > 2 ? 2 : inputLayout_.channels();
        outputRate_ = frame.sample_rate;
    }
    // One or two channels pass through unmixed, whatever their names.
    if (inputLayout_.channels() == outputChannels_) {
        if (!outputLayout.assign(inputLayout_.get())) return false;
    } else {
        outputLayout.assignDefault(outputChannels_);
    }

    // FFmpeg 5.1 takes the layouts by non-const pointer but only copies them.
    SwrContext* converter = nullptr;
    if (swr_alloc_set_opts2(
            &converter, const_cast<AVChannelLayout*>(&outputLayout.get()), AV_SAMPLE_FMT_S16,
            outputRate_, const_cast<AVChannelLayout*>(&inputLayout_.get()),
            static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0, nullptr) < 0) {
        return false;
    }
    converter_.reset(converter);
    if (swr_init(converter) < 0) {
        converter_.reset();
        return false;
    }
    inputFormat_ = frame.format;
    inputRate_ = frame.sample_rate;
    return true;
}

int Pcm16Converter::maxOutputFrames(int inputFrames) const {
    return swr_get_out_samples(converter_.get(), inputFrames);
}

int Pcm16Converter::convert(const AVFrame* frame, int16_t* out, int capacityFrames) {
    auto* outPlanes = reinterpret_cast<uint8_t*>(out);
    if (frame == nullptr)
        return swr_convert(converter_.get(), &outPlanes, capacityFrames, nullptr, 0);
    return swr_convert(converter_.get(), &outPlanes, capacityFrames,
                       const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
}

}  // namespace pellin
