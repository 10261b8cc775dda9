#include <gtest/gtest.h>

#include <QFile>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

#include "audio/MixDown.h"
#include "tests/support/RecordedMessages.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFiles.h"

namespace {

WavHeader DefaultFormat() {
    WavHeader h;
    InitWavHeader(h, 1, 44100, 16);
    return h;
}

// A ramp that crosses many values and never repeats within a block.
std::vector<int16_t> Ramp(size_t count, int start, int step) {
    std::vector<int16_t> out(count);
    for (size_t i = 0; i < count; ++i)
        out[i] = static_cast<int16_t>((start + static_cast<int64_t>(i) * step) % 30000);
    return out;
}

// The inputs of a mixdown in `folder`: the accompaniment bgsound.wav with
// `channels` and the mono voice record.wav, both at `sampleRate`.
void WriteInputs(const QString& folder, int channels, int sampleRate,
                 const std::vector<int16_t>& accompaniment, const std::vector<int16_t>& voice) {
    WriteWavFile(folder + "/bgsound.wav", channels, sampleRate, accompaniment);
    WriteWavFile(folder + "/record.wav", 1, sampleRate, voice);
}

int Clamped(int sum) { return std::clamp(sum, -32768, 32767); }

}  // namespace

TEST(MixSamples, KnownValues) {
    EXPECT_EQ(0, MixSamples(0, 0));
    EXPECT_EQ(32767, MixSamples(32767, 32767));
    for (int16_t v : {-1, -100, -16384, -32768}) EXPECT_EQ(-32768, MixSamples(-32768, v)) << v;
    // Values worked out by hand from the offset-binary formula; the large
    // ones need the full unsigned 32-bit product.
    EXPECT_EQ(31690, MixSamples(30000, 20000));
    EXPECT_EQ(31690, MixSamples(20000, 30000));
    EXPECT_EQ(8192, MixSamples(16384, -16384));
    EXPECT_EQ(-24576, MixSamples(-16384, -16384));
    EXPECT_EQ(-3896, MixSamples(-20000, 10000));
    EXPECT_EQ(32766, MixSamples(32767, -32768));
}

TEST(MixSamples, SilenceInOneInputPassesTheOtherThrough) {
    for (int16_t x : {-32768, -23456, -1, 1, 12345, 32767}) {
        EXPECT_EQ(x, MixSamples(x, 0));
        EXPECT_EQ(x, MixSamples(0, x));
    }
}

TEST(MixDownMono, SumsAndSaturatesBothWays) {
    TempDir dir;
    RecordedMessages messages;
    WriteInputs(dir.path(), 1, 44100, {30000, -30000, 1000, -5, 32767},
                {30000, -30000, 2000, 5, 1});
    WavHeader format = DefaultFormat();
    ASSERT_TRUE(MixDown(dir.path(), format));
    EXPECT_TRUE(messages.all().isEmpty());
    const WavContents mix = ReadWavFile(dir.path("mix.wav"));
    EXPECT_EQ((std::vector<int16_t>{32767, -32768, 3000, 0, 32767}), mix.samples);
}

TEST(MixDownMono, ShorterVoiceEndsInTheAccompanimentAlone) {
    TempDir dir;
    RecordedMessages messages;
    // Longer than one block, so the voice runs out in the middle of the second.
    const std::vector<int16_t> accompaniment = Ramp(200000, 7, 13);
    const std::vector<int16_t> voice = Ramp(150000, -900, 3);
    WriteInputs(dir.path(), 1, 22050, accompaniment, voice);
    WavHeader format = DefaultFormat();
    ASSERT_TRUE(MixDown(dir.path(), format));
    const WavContents mix = ReadWavFile(dir.path("mix.wav"));
    ASSERT_EQ(accompaniment.size(), mix.samples.size());
    EXPECT_EQ(200000u * 2, mix.header.dataSize);
    EXPECT_EQ(200000u * 2 + 36, mix.header.riffSize);
    EXPECT_EQ(1, mix.header.channels);
    EXPECT_EQ(22050u, mix.header.sampleRate);
    for (size_t i = 0; i < voice.size(); ++i)
        ASSERT_EQ(Clamped(accompaniment[i] + voice[i]), mix.samples[i]) << i;
    for (size_t i = voice.size(); i < accompaniment.size(); ++i)
        ASSERT_EQ(accompaniment[i], mix.samples[i]) << i;
}

TEST(MixDownMono, LongerVoiceMakesTheMixAsLongAsTheVoice) {
    TempDir dir;
    RecordedMessages messages;
    const std::vector<int16_t> accompaniment = Ramp(1000, 100, 1);
    const std::vector<int16_t> voice = Ramp(300000, -50, 7);
    WriteInputs(dir.path(), 1, 44100, accompaniment, voice);
    WavHeader format = DefaultFormat();
    ASSERT_TRUE(MixDown(dir.path(), format));
    const WavContents mix = ReadWavFile(dir.path("mix.wav"));
    ASSERT_EQ(voice.size(), mix.samples.size());
    EXPECT_EQ(Clamped(accompaniment[999] + voice[999]), mix.samples[999]);
    EXPECT_TRUE(std::equal(voice.begin() + 1000, voice.end(), mix.samples.begin() + 1000));
}

TEST(MixDownStereo, LengthIsTheLongerOfFramesAndVoiceSamples) {
    struct Case {
        size_t frames, voiceSamples;
    };
    for (const Case c : {Case{100000, 70000}, Case{30000, 100000}}) {
        SCOPED_TRACE(testing::Message() << c.frames << " frames, " << c.voiceSamples << " voice");
        TempDir dir;
        RecordedMessages messages;
        const std::vector<int16_t> accompaniment = Ramp(2 * c.frames, 11, 17);
        const std::vector<int16_t> voice = Ramp(c.voiceSamples, -3000, 5);
        WriteInputs(dir.path(), 2, 48000, accompaniment, voice);
        WavHeader format = DefaultFormat();
        ASSERT_TRUE(MixDown(dir.path(), format));
        const WavContents mix = ReadWavFile(dir.path("mix.wav"));
        const size_t frames = std::max(c.frames, c.voiceSamples);
        ASSERT_EQ(2 * frames, mix.samples.size());
        EXPECT_EQ(4 * frames, mix.header.dataSize);
        EXPECT_EQ(2, mix.header.channels);
        EXPECT_EQ(48000u, mix.header.sampleRate);
        EXPECT_EQ(192000u, mix.header.byteRate);
        for (size_t i = 0; i < frames; ++i) {
            const int16_t left = i < c.frames ? accompaniment[2 * i] : 0;
            const int16_t right = i < c.frames ? accompaniment[2 * i + 1] : 0;
            const int16_t v = i < c.voiceSamples ? voice[i] : 0;
            ASSERT_EQ(MixSamples(left, v), mix.samples[2 * i]) << i;
            ASSERT_EQ(MixSamples(right, v), mix.samples[2 * i + 1]) << i;
        }
    }
}

TEST(MixDown, CurrentFormatTakesTheAccompanimentHeader) {
    TempDir dir;
    RecordedMessages messages;
    WriteInputs(dir.path(), 2, 32000, Ramp(64, 1, 1), Ramp(32, 1, 1));
    const QByteArray bgsound = dir.read("bgsound.wav");
    WavHeader format = DefaultFormat();
    ASSERT_TRUE(MixDown(dir.path() + "/", format));
    EXPECT_EQ(0, std::memcmp(&format, bgsound.constData(), sizeof format));
}

TEST(MixDown, OtherChannelCountsGiveAnEmptyMix) {
    for (int channels : {0, 3, 6}) {
        SCOPED_TRACE(channels);
        TempDir dir;
        RecordedMessages messages;
        WriteInputs(dir.path(), channels, 44100, Ramp(6000, 1, 1), Ramp(1000, 1, 1));
        WavHeader format = DefaultFormat();
        ASSERT_TRUE(MixDown(dir.path(), format));
        EXPECT_TRUE(messages.all().isEmpty());
        const WavContents mix = ReadWavFile(dir.path("mix.wav"));
        EXPECT_EQ(44, mix.fileBytes);
        EXPECT_EQ(0u, mix.header.dataSize);
        EXPECT_EQ(36u, mix.header.riffSize);
        EXPECT_EQ(channels, mix.header.channels);
    }
}

TEST(MixDown, WithoutAccompanimentTheVoiceIsCopiedUnchanged) {
    TempDir dir;
    RecordedMessages messages;
    WriteWavFile(dir.path("record.wav"), 1, 44100, Ramp(70001, 3, 9));
    // An odd trailing byte and a header that disagrees must survive the copy.
    QByteArray voice = dir.read("record.wav");
    voice.append('\x7f');
    voice[40] = '\x01';
    dir.write("record.wav", voice);
    dir.write("mix.wav", QByteArray(100000, 'x'));
    WavHeader format = DefaultFormat();
    const WavHeader before = format;
    ASSERT_TRUE(MixDown(dir.path(), format));
    EXPECT_TRUE(messages.all().isEmpty());
    EXPECT_EQ(voice, dir.read("mix.wav"));
    EXPECT_EQ(0, std::memcmp(&before, &format, sizeof format));
}

TEST(MixDownFailures, MissingOrUnopenableFilesAreReportedAndLeaveMixAsItWas) {
    struct Case {
        const char* name;
        bool bgsound, record, mixIsFolder;
        const char* text;
    };
    for (const Case c :
         {Case{"neither input", false, false, false, "打开 bgsound.wav 失败"},
          Case{"no voice", true, false, false, "打开 record.wav 失败"},
          Case{"bgsound.wav is a folder", false, true, false, "打开 bgsound.wav 失败"},
          Case{"mix.wav is a folder", true, true, true, "打开 mix.wav 失败"}}) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        RecordedMessages messages;
        if (c.bgsound) WriteWavFile(dir.path("bgsound.wav"), 1, 44100, Ramp(100, 1, 1));
        if (!c.bgsound && c.record) QDir(dir.path()).mkdir("bgsound.wav");
        if (c.record) WriteWavFile(dir.path("record.wav"), 1, 44100, Ramp(100, 1, 1));
        if (c.mixIsFolder)
            QDir(dir.path()).mkdir("mix.wav");
        else
            dir.write("mix.wav", "old mix");
        WavHeader format = DefaultFormat();
        EXPECT_FALSE(Told(MixDown(dir.path(), format)));
        ASSERT_EQ(1, messages.all().size());
        EXPECT_EQ(QString::fromUtf8(c.text), messages.all()[0].text);
        EXPECT_EQ(QStringLiteral("提示"), messages.all()[0].caption);
        EXPECT_EQ(RecordedMessage::MessageBox, messages.all()[0].kind);
        if (!c.mixIsFolder) {
            EXPECT_EQ(QByteArray("old mix"), dir.read("mix.wav"));
        }
    }
}

TEST(MixDownFailures, ReadErrorIsReportedAndLeavesNoMix) {
    TempDir dir;
    RecordedMessages messages;
    // Reading this process's memory at the low offsets of a file fails in the
    // kernel with EIO, as a bad disk would.
    std::filesystem::create_symlink("/proc/self/mem", dir.file("bgsound.wav"));
    WriteWavFile(dir.path("record.wav"), 1, 44100, Ramp(1000, 1, 1));
    WavHeader format = DefaultFormat();
    EXPECT_FALSE(Told(MixDown(dir.path(), format)));
    EXPECT_EQ(QStringList{QStringLiteral("读取 bgsound.wav 失败: ") +
                          QString::fromLocal8Bit(std::strerror(EIO))},
              messages.texts());
    EXPECT_FALSE(QFileInfo::exists(dir.path("mix.wav")));
}

TEST(MixDownFailures, FullDiskIsReportedAndLeavesNoCutOffMix) {
    TempDir dir;
    RecordedMessages messages;
    WriteInputs(dir.path(), 2, 44100, Ramp(400000, 1, 3), Ramp(200000, 1, 3));
    // Every write to /dev/full fails with ENOSPC, as on a full disk.
    std::filesystem::create_symlink("/dev/full", dir.file("mix.wav"));
    WavHeader format = DefaultFormat();
    EXPECT_FALSE(Told(MixDown(dir.path(), format)));
    ASSERT_EQ(1, messages.all().size());
    EXPECT_EQ(QStringLiteral("写入 mix.wav 失败: ") + QString::fromLocal8Bit(std::strerror(ENOSPC)),
              messages.all()[0].text);
    EXPECT_EQ(QStringLiteral("提示"), messages.all()[0].caption);
    EXPECT_FALSE(QFileInfo::exists(dir.path("mix.wav")));
    EXPECT_FALSE(std::filesystem::is_symlink(dir.file("mix.wav")));
}

TEST(MixDownFailures, DiskFullingUpDuringTheMixIsReported) {
    // Room for the two inputs and part of the mix.
    SmallDisk disk(640);
    if (!disk.available()) GTEST_SKIP() << kNoSmallDisk;
    RecordedMessages messages;
    WriteInputs(disk.path(), 2, 44100, Ramp(150000, 1, 3), Ramp(75000, 1, 3));
    WavHeader format = DefaultFormat();
    EXPECT_FALSE(Told(MixDown(disk.path(), format)));
    EXPECT_EQ(QStringList{QStringLiteral("写入 mix.wav 失败: ") +
                          QString::fromLocal8Bit(std::strerror(ENOSPC))},
              messages.texts());
    EXPECT_FALSE(QFileInfo::exists(disk.path("mix.wav")));
}

TEST(MixDownFailures, DiskFullingUpDuringTheCopyIsReported) {
    SmallDisk disk(256);
    if (!disk.available()) GTEST_SKIP() << kNoSmallDisk;
    RecordedMessages messages;
    WriteWavFile(disk.path("record.wav"), 1, 44100, Ramp(75000, 1, 3));
    WavHeader format = DefaultFormat();
    EXPECT_FALSE(Told(MixDown(disk.path(), format)));
    ASSERT_EQ(1, messages.all().size());
    EXPECT_TRUE(
        messages.all()[0].text.startsWith(QStringLiteral("复制 record.wav 到 mix.wav 失败: ")))
        << messages.all()[0].text.toStdString();
    EXPECT_FALSE(QFileInfo::exists(disk.path("mix.wav")));
}

TEST(MixDownFailures, FailingCopyIsReported) {
    TempDir dir;
    RecordedMessages messages;
    WriteWavFile(dir.path("record.wav"), 1, 44100, Ramp(100, 1, 1));
    QDir(dir.path()).mkdir("mix.wav");
    WavHeader format = DefaultFormat();
    EXPECT_FALSE(Told(MixDown(dir.path(), format)));
    ASSERT_EQ(1, messages.all().size());
    EXPECT_TRUE(
        messages.all()[0].text.startsWith(QStringLiteral("复制 record.wav 到 mix.wav 失败: ")))
        << messages.all()[0].text.toStdString();
    EXPECT_EQ(QStringLiteral("提示"), messages.all()[0].caption);
    // Only a file is ever removed, never the folder in its place.
    EXPECT_TRUE(QFileInfo(dir.path("mix.wav")).isDir());
}
