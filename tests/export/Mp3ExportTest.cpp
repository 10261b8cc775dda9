// The export run with the real lame_enc.so, its output read by mpg123 and
// ffprobe, and its failures with the messages the user sees.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <cmath>
#include <vector>

#include "audio/Mp3Export.h"
#include "tests/support/Mp3Files.h"
#include "tests/support/Mp3Probe.h"
#include "tests/support/OpenFiles.h"
#include "tests/support/RecordedMessages.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFiles.h"

namespace {

const QString kProgramFolder = QStringLiteral(TAVIMO_PROGRAM_DIR "/");
const QString kLibraryPath = kProgramFolder + QStringLiteral("lame_enc.so");
constexpr int kFrameSamples = 1152;

struct RecordedProgress final : Mp3ExportProgress {
    int64_t maximum = -1;
    std::vector<int64_t> positions;
    QStringList percents;
    int pendingRuns = 0;

    void setMaximum(int64_t bytes) override { maximum = bytes; }
    void setPosition(int64_t bytes) override { positions.push_back(bytes); }
    void setPercentText(const QString& text) override { percents << text; }
    void processPendingEvents() override { ++pendingRuns; }
};

bool IsLoaded(const QString& library) {
    void* handle = dlopen(QFile::encodeName(library).constData(), RTLD_NOW | RTLD_NOLOAD);
    if (handle) dlclose(handle);
    return handle != nullptr;
}

std::vector<int16_t> Interleave(const std::vector<int16_t>& left,
                                const std::vector<int16_t>& right) {
    std::vector<int16_t> out;
    for (size_t i = 0; i < left.size(); ++i) {
        out.push_back(left[i]);
        out.push_back(right[i]);
    }
    return out;
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Everything in `folder`, hidden files included, by name.
QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// The folder of the stand-in lame_enc.so of `kind`, "without_beEncodeChunk"
// and the like.
QString StandInFolder(const char* kind) {
    return QStringLiteral(TAVIMO_STAND_IN_LAME_ENC_DIR "/lame_enc_%1/").arg(QLatin1String(kind));
}

class Mp3Export : public ::testing::Test {
protected:
    void SetUp() override { openFilesBefore = OpenFileCount(); }

    bool Export(const QString& source, const QString& destination,
                const QString& folder = kProgramFolder) {
        const bool ok = Told(ConvertToMp3(folder, source, destination, progress));
        // Whatever the outcome, the run leaves no library loaded and no file open.
        EXPECT_FALSE(IsLoaded(kLibraryPath));
        EXPECT_FALSE(IsLoaded(folder + QStringLiteral("lame_enc.so")));
        EXPECT_EQ(openFilesBefore, OpenFileCount());
        return ok;
    }

    // mix.wav with a 440 Hz tone at 44100 Hz; returns its path.
    QString WriteToneMix(int channels, double seconds) const {
        const QString path = dir.path("mix.wav");
        WriteWavFile(path, channels, 44100, SineSamples(440, seconds, 44100, channels));
        return path;
    }

    void ExpectOneMessage(const QString& text) {
        ASSERT_EQ(1, messages.all().size()) << messages.texts().join('|').toStdString();
        EXPECT_EQ(text, messages.all()[0].text);
        EXPECT_EQ(QStringLiteral("提示"), messages.all()[0].caption);
        EXPECT_EQ(RecordedMessage::MessageBox, messages.all()[0].kind);
    }

    TempDir dir;
    RecordedMessages messages;
    RecordedProgress progress;
    int openFilesBefore = 0;
};

}  // namespace

TEST_F(Mp3Export, MonoMixIsMonoAt128WithItsTagLengthAndTone) {
    const std::vector<int16_t> tone = SineSamples(440, 2.0, 44100, 1);
    WriteWavFile(dir.path("mix.wav"), 1, 44100, tone);
    ASSERT_TRUE(Export(dir.path("mix.wav"), dir.path("take.mp3")));
    EXPECT_TRUE(messages.all().isEmpty());

    const Mp3Description d = DescribeMp3(dir.path("take.mp3"));
    ASSERT_TRUE(d.ok) << d.log.toStdString();
    EXPECT_EQ("1.0", d.mpegVersion);
    EXPECT_EQ("cbr128", d.bitRateMode);
    EXPECT_EQ(44100, d.sampleRateHz);
    EXPECT_EQ("mono", d.mode);
    EXPECT_TRUE(d.infoTag);
    // The frames hold the encoder delay and the padding to whole frames on
    // top of the song: less than two frames.
    const double songSeconds = 2.0;
    EXPECT_GE(d.durationSeconds, songSeconds);
    EXPECT_LT(d.durationSeconds, songSeconds + 2.0 * kFrameSamples / 44100);

    // The tag tells players what to cut: decoded, the song is as long as the mix.
    const WavContents decoded = DecodeMp3(dir.path("take.mp3"), dir.path("decoded.wav"));
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(1, decoded.header.channels);
    EXPECT_EQ(tone.size(), decoded.samples.size());
    EXPECT_NEAR(440, DominantFrequency(decoded.samples, 44100), 5);
}

TEST_F(Mp3Export, StereoMixIsJointStereoWithBothChannelsKept) {
    const std::vector<int16_t> mix =
        Interleave(SineSamples(440, 1.5, 44100, 1), SineSamples(1250, 1.5, 44100, 1));
    WriteWavFile(dir.path("mix.wav"), 2, 44100, mix);
    ASSERT_TRUE(Export(dir.path("mix.wav"), dir.path("take.mp3")));

    const Mp3Description d = DescribeMp3(dir.path("take.mp3"));
    EXPECT_EQ("cbr128", d.bitRateMode);
    EXPECT_EQ(44100, d.sampleRateHz);
    EXPECT_EQ("j-s", d.mode);
    EXPECT_TRUE(d.infoTag);

    const WavContents decoded = DecodeMp3(dir.path("take.mp3"), dir.path("decoded.wav"));
    ASSERT_EQ(2, decoded.header.channels);
    EXPECT_EQ(mix.size(), decoded.samples.size());
    EXPECT_NEAR(440, DominantFrequency(Channel(decoded.samples, 2, 0), 44100), 5);
    EXPECT_NEAR(1250, DominantFrequency(Channel(decoded.samples, 2, 1), 44100), 5);
}

TEST_F(Mp3Export, KeepsTheSourceSampleRate) {
    // At the MPEG-2.5 rates libmp3lame (and so the lame command) encodes at
    // 64 kbit/s at most.
    const struct {
        int rate, channels;
        const char* mpegVersion;
        const char* bitRate;
    } cases[] = {{48000, 1, "1.0", "cbr128"},
                 {32000, 2, "1.0", "cbr128"},
                 {22050, 2, "2.0", "cbr128"},
                 {16000, 1, "2.0", "cbr128"},
                 {11025, 1, "2.5", "cbr64"}};
    for (const auto& c : cases) {
        const QString name = QStringLiteral("%1-%2").arg(c.rate).arg(c.channels);
        WriteWavFile(dir.path(name + ".wav"), c.channels, c.rate,
                     SineSamples(440, 0.5, c.rate, c.channels));
        ASSERT_TRUE(Export(dir.path(name + ".wav"), dir.path(name + ".mp3"))) << c.rate;
        const Mp3Description d = DescribeMp3(dir.path(name + ".mp3"));
        EXPECT_EQ(c.rate, d.sampleRateHz);
        EXPECT_EQ(c.mpegVersion, d.mpegVersion) << c.rate;
        EXPECT_EQ(c.bitRate, d.bitRateMode) << c.rate;
        EXPECT_EQ(c.channels == 1 ? "mono" : "j-s", d.mode) << c.rate;
    }
}

TEST_F(Mp3Export, GivesTheSameFileAsTheLameCommandAt128) {
    // Same libmp3lame, same settings: the lame command's file byte for byte
    // (its ReplayGain analysis off, which only fills a field of the tag).
    const std::vector<int16_t> mix =
        Interleave(SineSamples(330, 1.0, 44100, 1), SineSamples(660, 1.0, 44100, 1));
    const struct {
        const char* name;
        int channels;
        std::vector<int16_t> samples;
    } cases[] = {{"mono", 1, SineSamples(440, 1.0, 44100, 1)}, {"stereo", 2, mix}};
    for (const auto& c : cases) {
        const QString wav = dir.path(QString::fromLatin1(c.name) + ".wav");
        WriteWavFile(wav, c.channels, 44100, c.samples);
        ASSERT_TRUE(Export(wav, dir.path("ours.mp3")));
        ASSERT_EQ("", LameEncode(wav, dir.path("lame.mp3"),
                                 {QStringLiteral("--noreplaygain"), QStringLiteral("-b"),
                                  QStringLiteral("128")})
                          .toStdString());
        const QByteArray ours = dir.read("ours.mp3");
        EXPECT_FALSE(ours.isEmpty());
        EXPECT_TRUE(ours == dir.read("lame.mp3")) << c.name;
    }
}

TEST_F(Mp3Export, HeaderOnlyWavGivesAValidEmptyMp3WithItsTag) {
    WriteWavFile(dir.path("mix.wav"), 2, 44100, {});
    ASSERT_EQ(44, QFile(dir.path("mix.wav")).size());
    ASSERT_TRUE(Export(dir.path("mix.wav"), dir.path("take.mp3")));
    EXPECT_TRUE(messages.all().isEmpty());
    EXPECT_EQ(44, progress.maximum);
    EXPECT_TRUE(progress.positions.empty());
    EXPECT_EQ(0, progress.pendingRuns);

    const Mp3Description d = DescribeMp3(dir.path("take.mp3"));
    EXPECT_TRUE(d.ok) << d.log.toStdString();
    EXPECT_TRUE(d.infoTag);
    EXPECT_EQ("cbr128", d.bitRateMode);
    const WavContents decoded = DecodeMp3(dir.path("take.mp3"), dir.path("decoded.wav"));
    EXPECT_TRUE(decoded.samples.empty());
}

TEST_F(Mp3Export, ProgressFollowsTheSourceBytesChunkByChunk) {
    const std::vector<int16_t> mix = SineSamples(440, 1.0, 44100, 2);
    WriteWavFile(dir.path("mix.wav"), 2, 44100, mix);
    const int64_t fileBytes = QFile(dir.path("mix.wav")).size();
    ASSERT_TRUE(Export(dir.path("mix.wav"), dir.path("take.mp3")));

    EXPECT_EQ(fileBytes, progress.maximum);
    const size_t chunkSamples = 2 * kFrameSamples;
    const size_t chunks = (mix.size() + chunkSamples - 1) / chunkSamples;
    ASSERT_EQ(chunks, progress.positions.size());
    EXPECT_EQ(static_cast<int>(chunks), progress.pendingRuns);
    for (size_t i = 0; i + 1 < chunks; ++i) {
        EXPECT_EQ(static_cast<int64_t>((i + 1) * chunkSamples * 2), progress.positions[i]);
    }
    // The header's 44 bytes are never consumed: the end shows 99%.
    EXPECT_EQ(fileBytes - 44, progress.positions.back());
    EXPECT_EQ("99%", progress.percents.back());
    const int first = static_cast<int>(chunkSamples * 2 * 100.0 / fileBytes);
    EXPECT_EQ(QString::number(first) + "%", progress.percents.front());
    const int middle = static_cast<int>(progress.positions[chunks / 2] * 100.0 / fileBytes);
    EXPECT_EQ(QString::number(middle) + "%", progress.percents[chunks / 2]);
}

TEST_F(Mp3Export, WithoutTheLibraryTheLoadFailsAndNoFileIsMade) {
    ASSERT_TRUE(QDir().mkpath(dir.path("empty")));
    EXPECT_FALSE(Export(WriteToneMix(1, 0.2), dir.path("take.mp3"), dir.path("empty/")));
    ExpectOneMessage(QStringLiteral("加载 lame_enc.so 失败"));
    EXPECT_FALSE(QFile::exists(dir.path("take.mp3")));
}

TEST_F(Mp3Export, LibraryLackingAnEntryPointIsRefused) {
    const QString folder = StandInFolder("without_beEncodeChunk");
    ASSERT_TRUE(QFile::exists(folder + "lame_enc.so"));
    EXPECT_FALSE(Export(WriteToneMix(1, 0.2), dir.path("take.mp3"), folder));
    ExpectOneMessage(QStringLiteral("加载接口失败"));
    EXPECT_FALSE(QFile::exists(dir.path("take.mp3")));
}

TEST_F(Mp3Export, LibraryWithoutInfoTagEntryTagsThroughTheVbrHeaderEntry) {
    ASSERT_TRUE(Export(WriteToneMix(1, 0.5), dir.path("take.mp3"),
                       StandInFolder("without_beWriteInfoTag")));
    EXPECT_TRUE(messages.all().isEmpty());
    EXPECT_TRUE(DescribeMp3(dir.path("take.mp3")).infoTag);
}

TEST_F(Mp3Export, EncoderFailuresCloseTheStreamAndAreReported) {
    const QString mix = WriteToneMix(2, 0.5);
    const struct {
        const char* standIn;
        const char* message;
    } cases[] = {{"failing_beEncodeChunk", "beCloseStream failed"},
                 {"failing_beDeinitStream", "beExitStream failed"}};
    for (const auto& c : cases) {
        messages.clear();
        EXPECT_FALSE(Export(mix, dir.path("take.mp3"), StandInFolder(c.standIn)));
        ExpectOneMessage(QString::fromLatin1(c.message));
    }
}

TEST_F(Mp3Export, UnreadableSourceIsReportedBeforeTheDestinationIsMade) {
    EXPECT_FALSE(Export(dir.path("missing.wav"), dir.path("take.mp3")));
    ExpectOneMessage(QStringLiteral("打开文件失败：") + dir.path("missing.wav"));
    messages.clear();
    // A folder opens but cannot be read.
    ASSERT_TRUE(QDir().mkpath(dir.path("folder.wav")));
    EXPECT_FALSE(Export(dir.path("folder.wav"), dir.path("take.mp3")));
    ExpectOneMessage(QStringLiteral("打开文件失败：") + dir.path("folder.wav"));
    EXPECT_FALSE(QFile::exists(dir.path("take.mp3")));
}

TEST_F(Mp3Export, UncreatableDestinationIsReported) {
    const QString mix = WriteToneMix(1, 0.2);
    ASSERT_TRUE(QDir().mkpath(dir.path("folder.mp3")));
    for (const QString& destination :
         {dir.path("no/such/folder/take.mp3"), dir.path("folder.mp3")}) {
        messages.clear();
        EXPECT_FALSE(Export(mix, destination));
        ExpectOneMessage(QStringLiteral("创建文件失败：") + destination);
    }
    EXPECT_TRUE(QFileInfo(dir.path("folder.mp3")).isDir());
    EXPECT_EQ(QStringList({"folder.mp3", "mix.wav"}), Entries(dir.path()));
}

TEST_F(Mp3Export, SourceWithoutSampleRateFailsToStartTheEncoder) {
    WavHeader header;
    InitWavHeader(header, 1, 0, 16);
    dir.write("mix.wav", QByteArray(reinterpret_cast<const char*>(&header), sizeof header) +
                             QByteArray(4000, '\0'));
    EXPECT_FALSE(Export(dir.path("mix.wav"), dir.path("take.mp3")));
    ExpectOneMessage(QStringLiteral("beInitStream失败：") + dir.path("take.mp3"));
}

TEST_F(Mp3Export, AFailedSaveLeavesTheSongItWouldReplaceAsItWas) {
    SmallDisk disk(128);
    if (!disk.available()) GTEST_SKIP() << kNoSmallDisk;
    const QString song = disk.path("song.mp3");
    ASSERT_TRUE(Export(WriteToneMix(2, 1.0), song));
    const QByteArray good = ReadBytes(song);
    ASSERT_GT(good.size(), 10000);

    // A longer take does not fit on the disk beside it.
    const QString longMix = WriteToneMix(2, 30.0);
    EXPECT_FALSE(Export(longMix, song));
    ExpectOneMessage(QStringLiteral("写文件失败：") + song);
    EXPECT_TRUE(good == ReadBytes(song));
    EXPECT_EQ(QStringList{"song.mp3"}, Entries(disk.path()));

    // Nor is anything left of a song that did not exist before.
    messages.clear();
    EXPECT_FALSE(Export(longMix, disk.path("new.mp3")));
    EXPECT_EQ(QStringList{"song.mp3"}, Entries(disk.path()));

    // An encoder that fails part way keeps the song as well.
    messages.clear();
    EXPECT_FALSE(Export(WriteToneMix(2, 0.5), song, StandInFolder("failing_beEncodeChunk")));
    EXPECT_TRUE(good == ReadBytes(song));
    EXPECT_EQ(QStringList{"song.mp3"}, Entries(disk.path()));
}

TEST_F(Mp3Export, ASaveReplacesTheSongWholeAndKeepsItsPermissionsAndLink) {
    const QString mix = WriteToneMix(1, 1.0);
    ASSERT_TRUE(Export(mix, dir.path("fresh.mp3")));
    // An older, longer song, reached through a link.
    dir.write("song.mp3", QByteArray(300000, 'x'));
    ASSERT_EQ(0, chmod(QFile::encodeName(dir.path("song.mp3")).constData(), 0640));
    ASSERT_TRUE(QFile::link(dir.path("song.mp3"), dir.path("link.mp3")));

    ASSERT_TRUE(Export(mix, dir.path("link.mp3")));
    EXPECT_TRUE(messages.all().isEmpty());
    EXPECT_TRUE(dir.read("fresh.mp3") == dir.read("song.mp3"));
    EXPECT_TRUE(DescribeMp3(dir.path("song.mp3")).infoTag);
    EXPECT_TRUE(QFileInfo(dir.path("link.mp3")).isSymLink());
    struct stat info {};
    ASSERT_EQ(0, stat(QFile::encodeName(dir.path("song.mp3")).constData(), &info));
    EXPECT_EQ(0640u, info.st_mode & 07777);
    EXPECT_EQ(QStringList({"fresh.mp3", "link.mp3", "mix.wav", "song.mp3"}), Entries(dir.path()));
}

TEST_F(Mp3Export, FullDiskIsAWriteFailure) {
    // /dev/full opens and refuses every write, like a full disk.
    EXPECT_FALSE(Export(WriteToneMix(2, 2.0), QStringLiteral("/dev/full")));
    ExpectOneMessage(QStringLiteral("写文件失败：/dev/full"));
}
