#pragma once
// libmad's synchronous decoder, finished when it goes out of scope.

#include <mad.h>

namespace ostrel {

class MadDecoder {
public:
    using InputCallback = mad_flow (*)(void*, mad_stream*);
    using OutputCallback = mad_flow (*)(void*, const mad_header*, mad_pcm*);
    using ErrorCallback = mad_flow (*)(void*, mad_stream*, mad_frame*);

    MadDecoder(void* callbackData, InputCallback input, OutputCallback output,
               ErrorCallback error) {
        mad_decoder_init(&decoder_, callbackData, input, nullptr, nullptr, output, error, nullptr);
    }
    ~MadDecoder() { mad_decoder_finish(&decoder_); }
    MadDecoder(const MadDecoder&) = delete;
    MadDecoder& operator=(const MadDecoder&) = delete;

    // Decodes until the input callback stops it: 0, or -1 when the decoder
    // could not allocate its state or a callback broke the run off.
    int runSync() { return mad_decoder_run(&decoder_, MAD_DECODER_MODE_SYNC); }

private:
    mad_decoder decoder_{};
};

}  // namespace ostrel
