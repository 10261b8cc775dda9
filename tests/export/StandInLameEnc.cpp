// A stand-in lame_enc.so that forwards to the real library, except that it
// lacks one entry point (LAME_ENC_OMIT_<name>) or has one fail as a broken
// encoder would (LAME_ENC_FAIL_<name>): situations the real library does not
// produce, for the program's handling of them.
#include <dlfcn.h>

#include "encoder/LameEnc.h"

namespace {

class RealLibrary {
public:
    RealLibrary() : handle_(dlopen(REAL_LAME_ENC_PATH, RTLD_NOW | RTLD_LOCAL)) {}
    ~RealLibrary() {
        if (handle_) dlclose(handle_);
    }
    template <typename Function>
    Function get(const char* name) const {
        return reinterpret_cast<Function>(handle_ ? dlsym(handle_, name) : nullptr);
    }

private:
    void* handle_;
};

const RealLibrary& Real() {
    static RealLibrary library;
    return library;
}

}  // namespace

#ifndef LAME_ENC_OMIT_beVersion
void beVersion(uint8_t* record) { Real().get<BeVersionFn>("beVersion")(record); }
#endif

#ifndef LAME_ENC_OMIT_beInitStream
lame_enc::Result beInitStream(const uint8_t* config, uint32_t* samplesPerChunk,
                              uint32_t* mp3BufferBytes, lame_enc::Stream* stream) {
    return Real().get<BeInitStreamFn>("beInitStream")(config, samplesPerChunk, mp3BufferBytes,
                                                      stream);
}
#endif

#ifndef LAME_ENC_OMIT_beEncodeChunk
lame_enc::Result beEncodeChunk(lame_enc::Stream stream, uint32_t sampleCount,
                               const int16_t* samples, uint8_t* mp3, uint32_t* mp3Bytes) {
#ifdef LAME_ENC_FAIL_beEncodeChunk
    *mp3Bytes = 0;
    return lame_enc::kErrEncoder;
#endif
    return Real().get<BeEncodeChunkFn>("beEncodeChunk")(stream, sampleCount, samples, mp3,
                                                        mp3Bytes);
}
#endif

#ifndef LAME_ENC_OMIT_beDeinitStream
lame_enc::Result beDeinitStream(lame_enc::Stream stream, uint8_t* mp3, uint32_t* mp3Bytes) {
#ifdef LAME_ENC_FAIL_beDeinitStream
    *mp3Bytes = 0;
    return lame_enc::kErrEncoder;
#endif
    return Real().get<BeDeinitStreamFn>("beDeinitStream")(stream, mp3, mp3Bytes);
}
#endif

#ifndef LAME_ENC_OMIT_beCloseStream
lame_enc::Result beCloseStream(lame_enc::Stream stream) {
    return Real().get<BeCloseStreamFn>("beCloseStream")(stream);
}
#endif

#ifndef LAME_ENC_OMIT_beWriteInfoTag
lame_enc::Result beWriteInfoTag(lame_enc::Stream stream, const char* path) {
    return Real().get<BeWriteInfoTagFn>("beWriteInfoTag")(stream, path);
}
#endif

#ifndef LAME_ENC_OMIT_beWriteVBRHeader
lame_enc::Result beWriteVBRHeader(const char* path) {
    return Real().get<BeWriteVbrHeaderFn>("beWriteVBRHeader")(path);
}
#endif
