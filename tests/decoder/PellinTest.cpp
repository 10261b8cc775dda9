// pellin.so as the program uses it: loaded by path from the program folder,
// `Pellin` looked up by name, called once, unloaded. Fed WMA files that
// ffmpeg's own encoders make from generated signals, files that hold other
// codecs, and files that hold no audio at all; its output is held against
// ffmpeg's own decoding of the same file.
#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtEndian>
#include <chrono>
#include <fstream>
#include <map>
#include <memory>
#include <thread>

#include "decoder/pellin/Pellin.h"
#include "platform/DynamicLibrary.h"
#include "tests/support/ConverterLibrary.h"
#include "tests/decoder/FfmpegTool.h"
#include "tests/decoder/Mp3Sources.h"
#include "tests/decoder/WavExpectations.h"
#include "tests/support/OpenFiles.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFiles.h"

namespace {

const QString kLibraryPath = QStringLiteral(TAVIMO_PROGRAM_DIR "/pellin.so");

// A file made by ffmpeg from a known signal.
struct Source {
    QString path;
    int channels = 0;
    int sampleRate = 0;
    std::vector<int16_t> samples;  // interleaved
    QString failure;               // why ffmpeg could not make it
};

// Files made once for the whole binary; each takes ffmpeg a moment.
class Sources {
public:
    static Sources& Get() {
        static Sources sources;
        return sources;
    }
    // A sweep per channel, rising in the even ones and falling in the odd ones.
    const Source& make(const QString& name, int channels, int sampleRate, double seconds,
                       const QStringList& ffmpegArguments) {
        auto& slot = made_[name];
        if (!slot) {
            slot = std::make_unique<Source>();
            slot->path = dir_.path(name);
            slot->channels = channels;
            slot->sampleRate = sampleRate;
            std::vector<std::vector<int16_t>> sweeps;
            for (int c = 0; c < channels; ++c) {
                sweeps.push_back(c % 2 == 0 ? Chirp(200 + 50 * c, 3000, seconds, sampleRate)
                                            : Chirp(3000, 150 + 50 * c, seconds, sampleRate));
            }
            for (size_t i = 0; i < sweeps[0].size(); ++i) {
                for (const auto& sweep : sweeps) slot->samples.push_back(sweep[i]);
            }
            slot->failure =
                EncodeWithFfmpeg(slot->path, channels, sampleRate, slot->samples, ffmpegArguments);
        }
        return *slot;
    }
    const Source& wmav2Stereo() {
        return make("stereo.wma", 2, 44100, 2, {"-c:a", "wmav2", "-b:a", "128k"});
    }

private:
    TempDir dir_;
    std::map<QString, std::unique_ptr<Source>> made_;
};

class PellinTest : public ::testing::Test {
protected:
    // Loaded and unloaded around each test, as the program does around each
    // import.
    void SetUp() override {
        library_ = std::make_unique<ConverterLibrary>(kLibraryPath, "Pellin");
        ASSERT_TRUE(library_->error().isEmpty()) << library_->error().toStdString();
    }

    int Convert(const QString& source, const QString& destination) const {
        return library_->convert(source, destination);
    }
    static constexpr int kHung = ConverterLibrary::kHung;
    int BoundedConvert(const QString& source, const QString& destination) const {
        return library_->boundedConvert(source, destination);
    }

    // Converts `source` into a fresh file and reads it back.
    WavContents Decode(const QString& source, int* result) {
        const QString out = dir_.path(QStringLiteral("out.wav"));
        QFile::remove(out);
        *result = Convert(source, out);
        return ReadWavFile(out);
    }

    std::unique_ptr<ConverterLibrary> library_;
    TempDir dir_;
};

// The same samples as ffmpeg's own decoding of the file, to 1 LSB, and as
// many of them.
void ExpectSameAsFfmpeg(const QString& path, const WavContents& wav, int mixdownChannels = 0) {
    QString failure;
    const std::vector<int16_t> expected = FfmpegDecode(path, mixdownChannels, &failure);
    ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
    ASSERT_FALSE(expected.empty());
    ASSERT_EQ(expected.size(), wav.samples.size());
    size_t differing = 0, first = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        if (std::abs(int(expected[i]) - int(wav.samples[i])) > 1 && differing++ == 0) first = i;
    }
    EXPECT_EQ(0u, differing) << "first at sample " << first;
}

// Whether a file whose path contains `name` is mapped into this process.
bool Mapped(const char* name) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        if (line.find(name) != std::string::npos) return true;
    }
    return false;
}

using PellinLibrary = PellinTest;

TEST_F(PellinLibrary, ExportsOnlyPellin) {
    QProcess nm;
    nm.start(QStringLiteral("nm"), {"-D", "--defined-only", kLibraryPath});
    ASSERT_TRUE(nm.waitForFinished(20000));
    ASSERT_EQ(0, nm.exitCode()) << nm.readAllStandardError().toStdString();
    QStringList names;
    for (const QByteArray& line : nm.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() == 3) names << QString::fromLatin1(fields[2]);
    }
    EXPECT_EQ(QStringList{"Pellin"}, names);
}

TEST_F(PellinLibrary, RepeatedCallsLeaveNoFilesOpenAndNoMemoryBehind) {
    const Source& source = Sources::Get().wmav2Stereo();
    ASSERT_TRUE(source.failure.isEmpty()) << source.failure.toStdString();
    const QString junk = dir_.write(QStringLiteral("junk.wma"), QByteArray(5000, 'j'));
    const QString out = dir_.path(QStringLiteral("out.wav"));
    auto calls = [&](int count) {
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(kPellinDecoded, Convert(source.path, out));
            ASSERT_EQ(kPellinNotDecodable, Convert(junk, out));
        }
    };
    // The allocator keeps freed blocks of each size in per-thread caches,
    // counted as in use, until they are full.
    calls(20);
    const int openFiles = OpenFileCount();
    const size_t heapInUse = mallinfo2().uordblks;
    calls(240);
    EXPECT_EQ(openFiles, OpenFileCount());
    // The heap in use still moves by up to about 25 KiB from run to run,
    // however many calls are made (5 to 22 KiB over 480 calls, 5 to 25 KiB
    // over 120); a context, a frame or an I/O buffer left behind by each of
    // 480 calls would show many times over.
    EXPECT_LT(mallinfo2().uordblks, heapInUse + 64 * 1024);
}

TEST_F(PellinLibrary, RepeatedLoadingLeavesNoFilesOpenAndNothingMapped) {
    const Source& source = Sources::Get().wmav2Stereo();
    ASSERT_TRUE(source.failure.isEmpty()) << source.failure.toStdString();
    const QString out = dir_.path(QStringLiteral("out.wav"));
    library_.reset();
    // Load, convert, unload: what the program does for each import. (Each
    // load costs some 13 KiB of heap that Debian's FFmpeg dependencies
    // allocate as they load and never free, with or without a call.)
    auto import = [&] {
        auto loaded = platform::DynamicLibrary::Load(kLibraryPath);
        ASSERT_TRUE(loaded) << loaded.failure().text.toStdString();
        platform::DynamicLibrary library = std::move(loaded).value();
        auto pellin = library.function<PellinFunction>("Pellin");
        ASSERT_NE(nullptr, pellin);
        EXPECT_EQ(kPellinDecoded, pellin(QFile::encodeName(source.path).constData(),
                                         QFile::encodeName(out).constData()));
        EXPECT_TRUE(Mapped("/pellin.so"));
        EXPECT_TRUE(Mapped("libavcodec"));
    };
    import();
    const int openFiles = OpenFileCount();
    for (int i = 0; i < 10; ++i) import();
    EXPECT_EQ(openFiles, OpenFileCount());
    // FFmpeg goes with the library.
    EXPECT_FALSE(Mapped("/pellin.so"));
    EXPECT_FALSE(Mapped("libavcodec"));
    EXPECT_FALSE(Mapped("libavformat"));
    EXPECT_FALSE(Mapped("libswresample"));
}

struct WmaCase {
    const char* codec;
    int channels;
    int sampleRate;
};

void PrintTo(const WmaCase& c, std::ostream* os) {
    *os << c.codec << ' ' << c.channels << "ch " << c.sampleRate;
}

class PellinWma : public PellinTest, public ::testing::WithParamInterface<WmaCase> {};

TEST_P(PellinWma, DecodesAsFfmpegDoesInTheFilesOwnFormat) {
    const WmaCase& c = GetParam();
    const QString name =
        QStringLiteral("%1-%2-%3.wma").arg(c.codec).arg(c.channels).arg(c.sampleRate);
    const Source& source =
        Sources::Get().make(name, c.channels, c.sampleRate, 2, {"-c:a", c.codec, "-b:a", "64k"});
    ASSERT_TRUE(source.failure.isEmpty()) << source.failure.toStdString();
    int result = 1;
    const WavContents wav = Decode(source.path, &result);
    EXPECT_EQ(kPellinDecoded, result);
    ExpectHeader(wav, c.channels, c.sampleRate);
    ExpectSameAsFfmpeg(source.path, wav);
    // ffmpeg's decoding is the sweep that went in, in the right channel. The
    // encoder and decoder together drop the first frame (1024 or 2048 samples).
    const auto left = Channel(source.samples, c.channels, 0);
    const auto decodedLeft = Channel(wav.samples, c.channels, 0);
    const Alignment a = Align(left, decodedLeft, c.sampleRate / 2, c.sampleRate / 2, -2048, 2048);
    EXPECT_GT(a.correlation, 0.99) << "at offset " << a.offset;
}

INSTANTIATE_TEST_SUITE_P(Encoders, PellinWma,
                         ::testing::Values(WmaCase{"wmav1", 1, 22050}, WmaCase{"wmav1", 2, 22050},
                                           WmaCase{"wmav1", 1, 44100}, WmaCase{"wmav1", 2, 44100},
                                           WmaCase{"wmav1", 1, 48000}, WmaCase{"wmav1", 2, 48000},
                                           WmaCase{"wmav2", 1, 22050}, WmaCase{"wmav2", 2, 22050},
                                           WmaCase{"wmav2", 1, 44100}, WmaCase{"wmav2", 2, 44100},
                                           WmaCase{"wmav2", 1, 48000}, WmaCase{"wmav2", 2, 48000}),
                         [](const auto& info) {
                             return std::string(info.param.codec) +
                                    (info.param.channels == 1 ? "Mono" : "Stereo") +
                                    std::to_string(info.param.sampleRate);
                         });

using PellinDecode = PellinTest;

TEST_F(PellinDecode, LongFileStaysWholeAcrossManyWrites) {
    // 40 s of stereo: some 50 blocks of output.
    const Source& source =
        Sources::Get().make("long.wma", 2, 44100, 40, {"-c:a", "wmav2", "-b:a", "128k"});
    ASSERT_TRUE(source.failure.isEmpty()) << source.failure.toStdString();
    int result = 1;
    const WavContents wav = Decode(source.path, &result);
    EXPECT_EQ(kPellinDecoded, result);
    ExpectHeader(wav, 2, 44100);
    EXPECT_GT(wav.header.dataSize, 39u * 176400u);
    ExpectSameAsFfmpeg(source.path, wav);
}

TEST_F(PellinDecode, MoreThanTwoChannelsAreMixedDownToTwo) {
    // 5.1 in AC-3 inside ASF: no WMA encoder writes more than two channels.
    const Source& source =
        Sources::Get().make("surround.wma", 6, 48000, 2, {"-c:a", "ac3", "-f", "asf"});
    ASSERT_TRUE(source.failure.isEmpty()) << source.failure.toStdString();
    int result = 1;
    const WavContents wav = Decode(source.path, &result);
    EXPECT_EQ(kPellinDecoded, result);
    ExpectHeader(wav, 2, 48000);
    ExpectSameAsFfmpeg(source.path, wav, 2);
}

TEST_F(PellinDecode, TheContentDecidesNotTheName) {
    const Source& stereo = Sources::Get().wmav2Stereo();
    const Source& mp3InAsf =
        Sources::Get().make("mp3-in-asf.wma", 2, 44100, 2, {"-c:a", "libmp3lame", "-f", "asf"});
    const Source& bareMp3 =
        Sources::Get().make("bare-mp3.wma", 1, 22050, 2, {"-c:a", "libmp3lame", "-f", "mp3"});
    const Source& flac =
        Sources::Get().make("flac.wma", 2, 48000, 2, {"-c:a", "flac", "-f", "flac"});
    const QString upperCase = dir_.path(QStringLiteral("SONG.WMA"));
    ASSERT_TRUE(QFile::copy(stereo.path, upperCase));
    const struct {
        QString path;
        int channels;
        int sampleRate;
    } cases[] = {
        {mp3InAsf.path, 2, 44100},
        {bareMp3.path, 1, 22050},
        {flac.path, 2, 48000},
        {upperCase, 2, 44100},
    };
    for (const Source* source : {&stereo, &mp3InAsf, &bareMp3, &flac})
        ASSERT_TRUE(source->failure.isEmpty()) << source->failure.toStdString();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        int result = 1;
        const WavContents wav = Decode(c.path, &result);
        EXPECT_EQ(kPellinDecoded, result);
        ExpectHeader(wav, c.channels, c.sampleRate);
        ExpectSameAsFfmpeg(c.path, wav);
    }
}

TEST_F(PellinDecode, DamagedPacketsAreSkippedAsFfmpegSkipsThem) {
    const Source& source = Sources::Get().wmav2Stereo();
    ASSERT_TRUE(source.failure.isEmpty()) << source.failure.toStdString();
    QFile original(source.path);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    QByteArray bytes = original.readAll();
    // 300 bytes of rubbish half way through the packets; the length stays.
    const qsizetype middle = bytes.size() / 2;
    for (qsizetype i = 0; i < 300; ++i) bytes[middle + i] = char(0x55 ^ (i * 37));
    const QString damaged = dir_.write(QStringLiteral("damaged.wma"), bytes);
    int result = 1;
    const WavContents wav = Decode(damaged, &result);
    EXPECT_EQ(kPellinDecoded, result);
    ExpectHeader(wav, 2, 44100);
    ExpectSameAsFfmpeg(damaged, wav);
    // Something was dropped, but most of the song is there.
    EXPECT_LT(wav.samples.size(), size_t(2 * 2 * 44100));
    EXPECT_GT(wav.samples.size(), size_t(2 * 44100));
}

TEST_F(PellinDecode, ReplacesAnEarlierDestination) {
    const Source& source = Sources::Get().wmav2Stereo();
    ASSERT_TRUE(source.failure.isEmpty()) << source.failure.toStdString();
    // A longer old file in the destination's place is replaced, not overlaid.
    const QString out = dir_.write(QStringLiteral("bgsound.wav"), QByteArray(3 << 20, 'x'));
    EXPECT_EQ(kPellinDecoded, Convert(source.path, out));
    const WavContents wav = ReadWavFile(out);
    ExpectHeader(wav, 2, 44100);
    ExpectSameAsFfmpeg(source.path, wav);
}

using PellinFailure = PellinTest;

// Every failure found before decoding: no destination is created, and one
// that is there already stays as it was.
TEST_F(PellinFailure, FilesThatCannotBeDecodedLeaveTheDestinationAlone) {
    const Source& stereo = Sources::Get().wmav2Stereo();
    ASSERT_TRUE(stereo.failure.isEmpty()) << stereo.failure.toStdString();
    const QString videoOnly = dir_.path(QStringLiteral("video-only.wma"));
    ASSERT_EQ(QString(), RunFfmpeg({"-f", "lavfi", "-i", "testsrc=d=1:s=160x120", "-c:v", "wmv2",
                                    "-f", "asf", videoOnly}));
    // An audio stream with not a single packet.
    const QString silent = dir_.path(QStringLiteral("no-packets.wma"));
    ASSERT_EQ(QString(), RunFfmpeg({"-f", "lavfi", "-i", "anullsrc=r=44100:cl=stereo", "-t", "0",
                                    "-c:a", "wmav2", silent}));
    QFile file(stereo.path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    // The ASF header object's size, after its 16-byte identifier.
    const qsizetype headerBytes = qFromLittleEndian<qint64>(whole.constData() + 16);
    ASSERT_GT(headerBytes, 30);
    ASSERT_LT(headerBytes + 50, whole.size());

    QByteArray noise(20000, '\0');
    uint32_t seed = 99;
    for (char& c : noise) {
        seed = seed * 1103515245u + 12345u;
        c = char(seed >> 16);
    }
    const struct {
        const char* name;
        QByteArray bytes;
        int result;
    } cases[] = {
        {"empty.wma", QByteArray(), kPellinNotDecodable},
        {"text.wma", QByteArray("This is not music.\n").repeated(200), kPellinNotDecodable},
        {"noise.wma", noise, kPellinNotDecodable},
        {"subtitles.wma",
         "1\n00:00:01,000 --> 00:00:02,500\nLa la la\n\n"
         "2\n00:00:03,000 --> 00:00:04,500\nLa la la\n\n",
         kPellinNoAudio},
        {"cut-in-header.wma", whole.left(headerBytes / 2), kPellinTruncated},
        {"header-only.wma", whole.left(headerBytes), kPellinTruncated},
        {"cut-at-60-percent.wma", whole.left(whole.size() * 6 / 10), kPellinTruncated},
        {"one-byte-short.wma", whole.left(whole.size() - 1), kPellinTruncated},
    };
    const QByteArray before("an earlier accompaniment");
    auto expectUntouched = [&](const QString& source, int expected) {
        SCOPED_TRACE(source.toStdString());
        const QString existing = dir_.write(QStringLiteral("existing.wav"), before);
        const QString absent = dir_.path(QStringLiteral("absent.wav"));
        EXPECT_EQ(expected, BoundedConvert(source, existing));
        EXPECT_EQ(before, dir_.read(QStringLiteral("existing.wav")));
        EXPECT_EQ(expected, BoundedConvert(source, absent));
        EXPECT_FALSE(QFileInfo::exists(absent));
    };
    for (const auto& c : cases) expectUntouched(dir_.write(c.name, c.bytes), c.result);
    expectUntouched(videoOnly, kPellinNoAudio);
    expectUntouched(silent, kPellinNoAudio);

    // A 61-byte file the fuzzer found: under the sanitizers its decoder
    // claimed a rate of over a billion samples a second, which no WAV header
    // can describe. Whatever it decodes to, it is no accompaniment.
    QFile hugeRate(QStringLiteral(TAVIMO_SOURCE_DIR "/fuzz/pellin/regressions/huge-sample-rate"));
    ASSERT_TRUE(hugeRate.open(QIODevice::ReadOnly));
    const QString absent = dir_.path(QStringLiteral("absent.wav"));
    EXPECT_LT(BoundedConvert(dir_.write(QStringLiteral("huge-rate.wma"), hugeRate.readAll()), absent),
              0);
    EXPECT_FALSE(QFileInfo::exists(absent));
}

TEST_F(PellinFailure, UnreadableSourceLeavesTheDestinationAlone) {
    const QString folder = dir_.path(QStringLiteral("folder.wma"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QByteArray before("an earlier accompaniment");
    const QString existing = dir_.write(QStringLiteral("existing.wav"), before);
    for (const QString& source : {dir_.path(QStringLiteral("missing.wma")), folder}) {
        SCOPED_TRACE(source.toStdString());
        EXPECT_EQ(kPellinSourceUnopenable, Convert(source, existing));
        EXPECT_EQ(before, dir_.read(QStringLiteral("existing.wav")));
    }
}

TEST_F(PellinFailure, ReadErrorIsAFailure) {
    // Reading this process's memory from address 0 fails with an I/O error
    // instead of reaching the end of the file.
    const QString out = dir_.path(QStringLiteral("out.wav"));
    EXPECT_EQ(kPellinReadFailed, BoundedConvert(QStringLiteral("/proc/self/mem"), out));
    EXPECT_FALSE(QFileInfo::exists(out));
}

TEST_F(PellinFailure, UncreatableDestinationWritesNothing) {
    const Source& source = Sources::Get().wmav2Stereo();
    ASSERT_TRUE(source.failure.isEmpty()) << source.failure.toStdString();
    EXPECT_EQ(kPellinDestinationUnopenable,
              Convert(source.path, dir_.path(QStringLiteral("no/such/folder/out.wav"))));
    EXPECT_FALSE(QFileInfo::exists(dir_.path(QStringLiteral("no"))));
    EXPECT_EQ(kPellinDestinationUnopenable, Convert(source.path, dir_.path()));
    // Truncating the destination would destroy the source it is reading.
    const QString copy = dir_.path(QStringLiteral("copy.wma"));
    ASSERT_TRUE(QFile::copy(source.path, copy));
    const QByteArray original = dir_.read(QStringLiteral("copy.wma"));
    EXPECT_EQ(kPellinDestinationUnopenable, Convert(copy, copy));
    EXPECT_EQ(original, dir_.read(QStringLiteral("copy.wma")));
}

TEST_F(PellinFailure, FullDeviceIsAFailureAndStaysADevice) {
    const Source& source = Sources::Get().wmav2Stereo();
    ASSERT_TRUE(source.failure.isEmpty()) << source.failure.toStdString();
    EXPECT_EQ(kPellinWriteFailed, Convert(source.path, QStringLiteral("/dev/full")));
    struct stat status;
    ASSERT_EQ(0, stat("/dev/full", &status));
    EXPECT_TRUE(S_ISCHR(status.st_mode));
}

TEST_F(PellinFailure, FullDiskRemovesThePartialFile) {
    const Source& source = Sources::Get().wmav2Stereo();
    ASSERT_TRUE(source.failure.isEmpty()) << source.failure.toStdString();
    // The 2-second stereo file needs some 350 KiB; the disk has room for less.
    SmallDisk disk(128);
    if (!disk.available()) GTEST_SKIP() << kNoSmallDisk;
    const QString out = disk.path(QStringLiteral("bgsound.wav"));
    QFile old(out);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an earlier accompaniment");
    old.close();
    EXPECT_EQ(kPellinWriteFailed, Convert(source.path, out));
    EXPECT_FALSE(QFileInfo::exists(out));
}

}  // namespace
