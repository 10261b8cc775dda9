#include "decoder/pellin/WavHeader.h"

#include <cstring>

namespace pellin {

void InitWavHeader(WavHeader& header, int channels, int sampleRate, int bitsPerSample) {
    std::memcpy(header.chunkId, "RIFF", 4);
    header.riffSize = kEmptyRiffSize;
    std::memcpy(header.formType, "WAVE", 4);
    std::memcpy(header.formatChunkId, "fmt ", 4);
    header.formatChunkSize = 16;
    header.formatTag = 1;
    header.channels = static_cast<uint16_t>(channels);
    header.sampleRate = static_cast<uint32_t>(sampleRate);
    const uint32_t blockAlign = uint32_t(channels) * uint32_t(bitsPerSample) / 8;
    header.byteRate = static_cast<uint32_t>(blockAlign * uint64_t(uint32_t(sampleRate)));
    header.blockAlign = static_cast<uint16_t>(blockAlign);
    header.bitsPerSample = static_cast<uint16_t>(bitsPerSample);
    std::memcpy(header.dataChunkId, "data", 4);
    header.dataSize = 0;
}

}  // namespace pellin
