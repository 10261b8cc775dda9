#include <gtest/gtest.h>

#include <QFile>
#include <vector>

#include "audio/WavWriter.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFiles.h"

namespace {
WavHeader Mono44() {
    WavHeader h;
    InitWavHeader(h, 1, 44100, 16);
    return h;
}
}  // namespace

TEST(WavWriter, EmptyFileIsExactlyAHeader) {
    TempDir dir;
    WavWriter writer;
    ASSERT_TRUE(writer.create(dir.file("empty.wav"), Mono44()));
    EXPECT_TRUE(writer.finish());
    const WavContents wav = ReadWavFile(dir.path("empty.wav"));
    ASSERT_TRUE(wav.ok);
    EXPECT_EQ(44, wav.fileBytes);
    EXPECT_EQ(36u, wav.header.riffSize);
    EXPECT_EQ(0u, wav.header.dataSize);
}

TEST(WavWriter, HeaderSizesAgreeWithTheSamplesWritten) {
    TempDir dir;
    const std::vector<int16_t> samples = SineSamples(440, 0.5, 44100, 1);
    {
        WavWriter writer;
        ASSERT_TRUE(writer.create(dir.file("tone.wav"), Mono44()));
        for (size_t i = 0; i < samples.size(); i += 1000) {
            const size_t n = std::min<size_t>(1000, samples.size() - i);
            ASSERT_TRUE(writer.append(samples.data() + i, n * 2));
        }
        // The destructor finishes a file that was not finished explicitly.
    }
    const WavContents wav = ReadWavFile(dir.path("tone.wav"));
    EXPECT_EQ(samples, wav.samples);
    EXPECT_EQ(wav.fileBytes - 44, wav.header.dataSize);
    EXPECT_EQ(wav.fileBytes - 8, wav.header.riffSize);
}

TEST(WavWriter, UncreatableFileFailsWithTheSystemError) {
    TempDir dir;
    WavWriter writer;
    EXPECT_FALSE(writer.create(dir.file("no/such/folder/x.wav"), Mono44()));
    EXPECT_NE(0, writer.errorNumber());
    EXPECT_FALSE(writer.isOpen());
}

TEST(WavWriter, FullDiskIsReportedByAppendAndFinish) {
    // /dev/full accepts the open and refuses every write with ENOSPC.
    WavWriter writer;
    ASSERT_TRUE(writer.create("/dev/full", Mono44()));
    EXPECT_TRUE(writer.failed());
    const int16_t samples[4] = {1, 2, 3, 4};
    EXPECT_FALSE(writer.append(samples, sizeof samples));
    EXPECT_EQ(ENOSPC, writer.errorNumber());
    EXPECT_FALSE(writer.finish());
}
