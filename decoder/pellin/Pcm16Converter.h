#pragma once
// Decoded frames, whatever their sample format, into interleaved signed
// 16-bit samples at the first frame's sample rate: one or two channels kept
// as they are, more mixed down to two with libswresample's standard matrix.

#include "decoder/pellin/FfmpegHandles.h"

namespace pellin {

class Pcm16Converter {
public:
    // The output for the first frame; fixed from then on.
    bool configured() const { return converter_ != nullptr; }
    int channels() const { return outputChannels_; }
    int sampleRate() const { return outputRate_; }

    // A frame whose format, layout or rate differs from the frames before
    // needs a new set-up; drain the old one first.
    bool needsSetUp(const AVFrame& frame) const;
    // Sets up for frames like `frame`; false when libswresample cannot (out of
    // memory, or a layout it does not know).
    bool setUp(const AVFrame& frame);

    // At most this many output frames come from `inputFrames` input frames
    // (0 drains what the converter holds back).
    int maxOutputFrames(int inputFrames) const;
    // Converts `frame` (null to drain) into `out`, which has room for
    // `capacityFrames` frames of channels() samples. Returns the frames
    // written, or a negative FFmpeg error.
    int convert(const AVFrame* frame, int16_t* out, int capacityFrames);

private:
    ResamplerContext converter_;
    ChannelLayout inputLayout_;
    int inputFormat_ = -1;
    int inputRate_ = 0;
    int outputChannels_ = 0;
    int outputRate_ = 0;
};

}  // namespace pellin
