// The seven entry points of lame_enc.so over the stream table.
#include "encoder/LameEnc.h"

#include <lame/lame.h>

#include <cstring>
#include <type_traits>

#include "encoder/EncoderConfig.h"
#include "encoder/EncoderStream.h"
#include "encoder/StreamTable.h"

// The program calls through these types: the definitions must agree.
static_assert(std::is_same_v<decltype(&beVersion), BeVersionFn>);
static_assert(std::is_same_v<decltype(&beInitStream), BeInitStreamFn>);
static_assert(std::is_same_v<decltype(&beEncodeChunk), BeEncodeChunkFn>);
static_assert(std::is_same_v<decltype(&beDeinitStream), BeDeinitStreamFn>);
static_assert(std::is_same_v<decltype(&beCloseStream), BeCloseStreamFn>);
static_assert(std::is_same_v<decltype(&beWriteInfoTag), BeWriteInfoTagFn>);
static_assert(std::is_same_v<decltype(&beWriteVBRHeader), BeWriteVbrHeaderFn>);

void beVersion(uint8_t* versionRecord) {
    namespace v = lame_enc::version;
    if (versionRecord == nullptr) return;
    std::memset(versionRecord, 0, lame_enc::kVersionBytes);
    lame_version_t engine;
    get_lame_version_numerical(&engine);
    versionRecord[v::kLibraryMajor] = lame_enc::kLibraryMajor;
    versionRecord[v::kLibraryMinor] = lame_enc::kLibraryMinor;
    versionRecord[v::kEngineMajor] = static_cast<uint8_t>(engine.major);
    versionRecord[v::kEngineMinor] = static_cast<uint8_t>(engine.minor);
    const char* text = get_lame_version();
    const size_t room = lame_enc::kVersionBytes - v::kEngineText - 1;
    std::strncpy(reinterpret_cast<char*>(versionRecord + v::kEngineText), text, room);
}

lame_enc::Result beInitStream(const uint8_t* config, uint32_t* samplesPerChunk,
                              uint32_t* mp3BufferBytes, lame_enc::Stream* stream) {
    if (samplesPerChunk == nullptr || mp3BufferBytes == nullptr || stream == nullptr) {
        return lame_enc::kErrInvalidParameters;
    }
    EncoderConfig settings;
    lame_enc::Result result = ReadEncoderConfig(config, settings);
    if (result != lame_enc::kOk) return result;
    std::unique_ptr<EncoderStream> encoder = EncoderStream::Create(settings, result);
    if (!encoder) return result;
    *samplesPerChunk = encoder->samplesPerChunk();
    *mp3BufferBytes = encoder->mp3BufferBytes();
    *stream = StreamTable::Instance().add(std::move(encoder));
    return lame_enc::kOk;
}

lame_enc::Result beEncodeChunk(lame_enc::Stream stream, uint32_t sampleCount,
                               const int16_t* samples, uint8_t* mp3, uint32_t* mp3Bytes) {
    if (mp3Bytes == nullptr) return lame_enc::kErrInvalidParameters;
    *mp3Bytes = 0;
    EncoderStream* encoder = StreamTable::Instance().find(stream);
    if (encoder == nullptr) return lame_enc::kErrInvalidHandle;
    return encoder->encode(samples, sampleCount, mp3, *mp3Bytes);
}

lame_enc::Result beDeinitStream(lame_enc::Stream stream, uint8_t* mp3, uint32_t* mp3Bytes) {
    if (mp3Bytes == nullptr) return lame_enc::kErrInvalidParameters;
    *mp3Bytes = 0;
    EncoderStream* encoder = StreamTable::Instance().find(stream);
    if (encoder == nullptr) return lame_enc::kErrInvalidHandle;
    return encoder->flush(mp3, *mp3Bytes);
}

lame_enc::Result beCloseStream(lame_enc::Stream stream) {
    return StreamTable::Instance().close(stream);
}

lame_enc::Result beWriteInfoTag(lame_enc::Stream stream, const char* path) {
    const std::unique_ptr<EncoderStream> encoder = StreamTable::Instance().takeFlushed(stream);
    if (!encoder) return lame_enc::kErrInvalidHandle;
    return encoder->writeTag(path);
}

lame_enc::Result beWriteVBRHeader(const char* path) {
    const std::unique_ptr<EncoderStream> encoder = StreamTable::Instance().takeWaiting();
    if (!encoder) return lame_enc::kErrNoTag;
    return encoder->writeTag(path);
}
