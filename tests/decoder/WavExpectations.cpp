#include "tests/decoder/WavExpectations.h"

#include <gtest/gtest.h>

#include <cstring>

void ExpectHeader(const WavContents& wav, int channels, int sampleRate) {
    ASSERT_TRUE(wav.ok) << "no 44-byte header";
    const WavHeader& h = wav.header;
    EXPECT_EQ(0, std::memcmp(h.chunkId, "RIFF", 4));
    EXPECT_EQ(0, std::memcmp(h.formType, "WAVEfmt ", 8));
    EXPECT_EQ(0, std::memcmp(h.dataChunkId, "data", 4));
    EXPECT_EQ(16u, h.formatChunkSize);
    EXPECT_EQ(1, h.formatTag);
    EXPECT_EQ(channels, h.channels);
    EXPECT_EQ(uint32_t(sampleRate), h.sampleRate);
    EXPECT_EQ(uint32_t(channels * sampleRate * 2), h.byteRate);
    EXPECT_EQ(channels * 2, h.blockAlign);
    EXPECT_EQ(16, h.bitsPerSample);
    EXPECT_EQ(wav.fileBytes - 44, int64_t(h.dataSize));
    EXPECT_EQ(wav.fileBytes - 8, int64_t(h.riffSize));
}
