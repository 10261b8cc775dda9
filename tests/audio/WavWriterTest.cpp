#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <vector>

#include "audio/WavWriter.h"
#include "tests/support/ProgramRun.h"
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

TEST(WavWriter, AKilledWriterLeavesAValidWavOfAllButItsLastSecond) {
    // A child process writes through WavWriter and is killed (SIGKILL) with
    // the file unfinished; sox and ffprobe must read it as a WAV file.
    const struct {
        int channels, rate;
        size_t blockBytes;
        double seconds;
    } cases[] = {{1, 44100, 2646, 0.6},  {1, 44100, 2646, 1.0}, {1, 44100, 2646, 2.57},
                 {1, 44100, 2646, 6.0},  {2, 48000, 4096, 3.3}, {1, 22050, 2646, 1.99},
                 {2, 44100, 262144, 4.2}};
    TempDir dir;
    for (const auto& c : cases) {
        const int64_t perSecond = int64_t{c.channels} * c.rate * 2;
        const auto total = static_cast<int64_t>(c.seconds * c.rate) * c.channels * 2;
        SCOPED_TRACE(testing::Message() << c.channels << " ch " << c.rate << " Hz, " << c.seconds
                                        << " s in blocks of " << c.blockBytes);
        const QString path = dir.path("take.wav");
        QProcess child;
        child.start(QStringLiteral(TAVIMO_WAV_WRITER_CHILD),
                    {path, QString::number(c.channels), QString::number(c.rate),
                     QString::number(c.blockBytes), QString::number(total)});
        ASSERT_TRUE(child.waitForReadyRead(20000)) << child.errorString().toStdString();
        ASSERT_EQ("written\n", child.readLine().toStdString());
        child.kill();
        ASSERT_TRUE(child.waitForFinished(20000));
        ASSERT_EQ(QProcess::CrashExit, child.exitStatus());

        const WavContents wav = ReadWavFile(path);
        ASSERT_EQ(44 + total, wav.fileBytes);
        const int64_t told = wav.header.dataSize;
        EXPECT_EQ(told + 36, int64_t{wav.header.riffSize});
        EXPECT_LE(told, total);
        EXPECT_GT(told, total - perSecond);

        const double toldSeconds = static_cast<double>(told) / perSecond;
        const ProgramRun soxi = RunProgram("soxi", {"-D", path});
        ASSERT_EQ(0, soxi.exitCode) << soxi.errorText.toStdString();
        EXPECT_NEAR(toldSeconds, soxi.output.trimmed().toDouble(), 0.001);
        EXPECT_GT(soxi.output.trimmed().toDouble(), c.seconds - 1.0);
        const ProgramRun sox = RunProgram("sox", {path, "-n", "stat"});
        EXPECT_EQ(0, sox.exitCode) << sox.errorText.toStdString();
        EXPECT_FALSE(sox.errorText.contains("WARN")) << sox.errorText.toStdString();
        const ProgramRun ffprobe = RunProgram(
            "ffprobe", {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", path});
        ASSERT_EQ(0, ffprobe.exitCode) << ffprobe.errorText.toStdString();
        EXPECT_TRUE(ffprobe.errorText.isEmpty()) << ffprobe.errorText.toStdString();
        // ffprobe takes a data size of 0 to mean "up to the end of the file".
        const double probed = ffprobe.output.trimmed().toDouble();
        if (told > 0) {
            EXPECT_NEAR(toldSeconds, probed, 0.001);
        }
        EXPECT_GE(probed, toldSeconds - 0.001);
        EXPECT_LE(probed, c.seconds + 0.001);
    }
}

TEST(WavWriter, SizesAreCurrentWhileTheFileIsWritten) {
    TempDir dir;
    WavWriter writer;
    ASSERT_TRUE(writer.create(dir.file("take.wav"), Mono44()));
    const std::vector<int16_t> block(1323, 100);  // 30 ms
    auto toldBytes = [&] {
        const WavContents wav = ReadWavFile(dir.path("take.wav"));
        return int64_t{wav.header.dataSize};
    };
    int64_t written = 0;
    for (int i = 0; i < 200; ++i) {  // 6 s
        ASSERT_TRUE(writer.append(block.data(), block.size() * 2));
        written += static_cast<int64_t>(block.size() * 2);
        const int64_t told = toldBytes();
        ASSERT_LE(told, written);
        ASSERT_LT(written - told, 88200) << "after block " << i;
    }
    EXPECT_TRUE(writer.finish());
    EXPECT_EQ(written, toldBytes());
}
