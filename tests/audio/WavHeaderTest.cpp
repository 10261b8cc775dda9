#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "audio/WavHeader.h"
#include "tests/support/TempDir.h"

TEST(WavHeader, FillsEveryFieldForMonoAndStereo) {
    WavHeader mono;
    std::memset(&mono, 0xAB, sizeof mono);
    InitWavHeader(mono, 1, 44100, 16);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&mono);
    EXPECT_EQ(0, std::memcmp(bytes, "RIFF", 4));
    EXPECT_EQ(0, std::memcmp(bytes + 8, "WAVEfmt ", 8));
    EXPECT_EQ(0, std::memcmp(bytes + 36, "data", 4));
    EXPECT_EQ(36u, mono.riffSize);
    EXPECT_EQ(16u, mono.formatChunkSize);
    EXPECT_EQ(1, mono.formatTag);
    EXPECT_EQ(1, mono.channels);
    EXPECT_EQ(44100u, mono.sampleRate);
    EXPECT_EQ(88200u, mono.byteRate);
    EXPECT_EQ(2, mono.blockAlign);
    EXPECT_EQ(16, mono.bitsPerSample);
    EXPECT_EQ(0u, mono.dataSize);
    // Offsets as the file format places them.
    EXPECT_EQ(1, bytes[22]);
    EXPECT_EQ(0x44, bytes[24]);  // 44100 = 0xAC44
    EXPECT_EQ(0xAC, bytes[25]);
    EXPECT_EQ(16, bytes[34]);

    WavHeader stereo;
    InitWavHeader(stereo, 2, 44100, 16);
    EXPECT_EQ(176400u, stereo.byteRate);
    EXPECT_EQ(4, stereo.blockAlign);
}

TEST(WavHeader, DurationRoundsUpAndNeverDividesByZero) {
    EXPECT_EQ(1, WavDurationSeconds(88200, 1, 44100, 16));
    EXPECT_EQ(2, WavDurationSeconds(88201, 1, 44100, 16));
    EXPECT_EQ(210, WavDurationSeconds(210 * 88200, 1, 44100, 16));
    EXPECT_EQ(211, WavDurationSeconds(210 * 88200 + 1, 1, 44100, 16));
    EXPECT_EQ(0, WavDurationSeconds(0, 1, 44100, 16));
    EXPECT_EQ(0, WavDurationSeconds(-44, 1, 44100, 16));
    EXPECT_EQ(0, WavDurationSeconds(1000, 0, 44100, 16));
    EXPECT_EQ(0, WavDurationSeconds(1000, 2, 0, 16));
    EXPECT_EQ(0, WavDurationSeconds(1000, 2, 44100, 0));
    // A 4 GiB data length does not overflow.
    EXPECT_EQ(24348, WavDurationSeconds(int64_t{4294967295}, 2, 44100, 16));
    // Nor do a file's largest numbers; the duration stops at the largest int.
    EXPECT_EQ(2, WavDurationSeconds(int64_t{65535} * 65535 * 65535 / 8 + 1, 65535, 65535, 65535));
    EXPECT_EQ(INT_MAX, WavDurationSeconds(int64_t{1} << 40, 1, 1, 8));
}

TEST(WavHeader, AHostileFormatFillsWithoutOverflow) {
    // Channels and width as large as their 16-bit fields hold: the products
    // exceed an int and are taken modulo the fields' widths.
    WavHeader h;
    InitWavHeader(h, 65535, 44100, 65535);
    EXPECT_EQ(65535, h.channels);
    EXPECT_EQ(65535, h.bitsPerSample);
    EXPECT_EQ(uint16_t(int64_t{65535} * 65535 / 8), h.blockAlign);
    EXPECT_EQ(uint32_t(int32_t(uint32_t{65535} * 44100u * 65535u) / 8), h.byteRate);
}

TEST(WavHeader, DataLengthGoesByFileSizeAndShortFilesHoldNothing) {
    EXPECT_EQ(0, WavDataLength(0));
    EXPECT_EQ(0, WavDataLength(43));
    EXPECT_EQ(0, WavDataLength(44));
    EXPECT_EQ(1, WavDataLength(45));
}

TEST(WavHeader, ReadKeepsOldBytesBeyondAShortFileAndReportsItsSize) {
    TempDir dir;
    WavHeader header;
    InitWavHeader(header, 2, 48000, 16);
    // Ten bytes: only "RIFF" and the riff size and "WA" are replaced.
    const QString path = dir.write("short.wav", QByteArray("RIFF\x01\x00\x00\x00XY", 10));
    EXPECT_EQ(10, ReadWavHeader(path.toLocal8Bit().constData(), header));
    EXPECT_EQ(1u, header.riffSize);
    EXPECT_EQ(0, std::memcmp(header.formType, "XYVE", 4));
    EXPECT_EQ(2, header.channels);
    EXPECT_EQ(48000u, header.sampleRate);

    EXPECT_EQ(-1, ReadWavHeader(dir.file("missing.wav").c_str(), header));
    EXPECT_EQ(2, header.channels);
}
