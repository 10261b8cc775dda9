// ostrel.so as the program uses it: loaded by path from the program folder,
// `Ostrel` looked up by name and called on MP3 files that lame makes from
// generated signals, and on files that are not MP3 at all.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <memory>
#include <thread>

#include "decoder/ostrel/Ostrel.h"
#include "tests/support/ConverterLibrary.h"
#include "tests/decoder/Mp3Sources.h"
#include "tests/decoder/WavExpectations.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFiles.h"

namespace {

const QString kLibraryPath = QStringLiteral(TAVIMO_PROGRAM_DIR "/ostrel.so");

// One MP3 file made from a known signal.
struct Source {
    QString path;
    int channels = 0;
    int sampleRate = 0;
    std::vector<int16_t> left;
    std::vector<int16_t> right;  // empty for mono
    QString failure;             // why lame could not make it
};

// Files made once for the whole binary; lame takes a moment for each.
class Sources {
public:
    static Sources& Get() {
        static Sources sources;
        return sources;
    }
    const Source& stereo44() {
        return make(stereo44_, "stereo44.mp3", 2, 44100, Chirp(200, 3000, 2, 44100),
                    Chirp(3000, 200, 2, 44100), {"-b", "128", "-m", "s"});
    }
    const Source& mono22() {
        return make(mono22_, "mono22.mp3", 1, 22050, Chirp(200, 3000, 2, 22050), {},
                    {"-b", "64", "-m", "m", "--resample", "22.05"});
    }
    const Source& mono8() {
        return make(mono8_, "mono8.mp3", 1, 8000, Chirp(200, 1500, 2, 8000), {},
                    {"-b", "16", "-m", "m", "--resample", "8"});
    }
    const Source& square() {
        return make(square_, "square.mp3", 1, 44100, FullScaleSquare(200, 1, 44100), {},
                    {"-b", "128", "-m", "m"});
    }
    // Longer than one input buffer, and many times the sample buffer.
    const Source& longStereo() {
        return make(long_, "long.mp3", 2, 44100, Chirp(100, 4000, 40, 44100),
                    Chirp(3000, 150, 40, 44100), {"-b", "128", "-m", "s"});
    }
    const TempDir& dir() const { return dir_; }

private:
    const Source& make(std::unique_ptr<Source>& slot, const char* name, int channels,
                       int sampleRate, std::vector<int16_t> left, std::vector<int16_t> right,
                       const QStringList& lameArguments) {
        if (!slot) {
            slot = std::make_unique<Source>();
            slot->path = dir_.path(QString::fromLatin1(name));
            slot->channels = channels;
            slot->sampleRate = sampleRate;
            slot->left = std::move(left);
            slot->right = std::move(right);
            const auto samples = channels == 2 ? Interleave(slot->left, slot->right) : slot->left;
            slot->failure = EncodeMp3(slot->path, channels, sampleRate, samples, lameArguments);
        }
        return *slot;
    }
    TempDir dir_;
    std::unique_ptr<Source> stereo44_, mono22_, mono8_, square_, long_;
};

class OstrelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        library_ = std::make_unique<ConverterLibrary>(kLibraryPath, "Ostrel");
    }
    static void TearDownTestSuite() { library_.reset(); }
    void SetUp() override { ASSERT_TRUE(library_->error().isEmpty()) << library_->error().toStdString(); }

    static int Convert(const QString& source, const QString& destination) {
        return library_->convert(source, destination);
    }
    static constexpr int kHung = ConverterLibrary::kHung;
    static int BoundedConvert(const QString& source, const QString& destination) {
        return library_->boundedConvert(source, destination);
    }

    // Converts `source` into a fresh file and reads it back.
    WavContents Decode(const Source& source, int* result = nullptr) {
        EXPECT_TRUE(source.failure.isEmpty()) << source.failure.toStdString();
        const QString out = dir_.path(QStringLiteral("out.wav"));
        const int r = Convert(source.path, out);
        if (result) *result = r;
        return ReadWavFile(out);
    }

    static inline std::unique_ptr<ConverterLibrary> library_;
    TempDir dir_;
};

// The decoded channel is the source delayed: same shape, same level.
void ExpectSignal(const std::vector<int16_t>& source, const std::vector<int16_t>& decoded,
                  int sampleRate, double minCorrelation = 0.97) {
    const Alignment a = Align(source, decoded, 0, sampleRate);
    EXPECT_GT(a.correlation, minCorrelation) << "at offset " << a.offset;
    const Alignment whole = CompareAt(source, decoded, a.offset);
    EXPECT_GT(whole.correlation, minCorrelation) << "at offset " << a.offset;
    EXPECT_NEAR(1.0, whole.levelRatio, 0.1);
    // All of the source comes out; at most the frame that ends the file is lost.
    const int frameSamples = sampleRate >= 32000 ? 1152 : 576;
    EXPECT_GE(int64_t(decoded.size()), a.offset + int64_t(source.size()) - frameSamples);
    EXPECT_LE(int64_t(decoded.size()), a.offset + int64_t(source.size()) + 3 * frameSamples);
}

TEST(OstrelExports, OnlyOstrelIsExportedAndTheLibraryUnloads) {
    // Nothing else: neither the library's own helpers nor symbols of the C++
    // runtime, whose unique symbols would pin the library in memory.
    const ProgramRun nm = RunProgram("nm", {"-D", "--defined-only", kLibraryPath});
    ASSERT_EQ(0, nm.exitCode) << nm.errorText.toStdString();
    QStringList names;
    for (const QString& line : nm.output.split('\n', Qt::SkipEmptyParts))
        names << line.section(' ', -1);
    EXPECT_EQ(QStringList{"Ostrel"}, names);

    const QByteArray path = QFile::encodeName(kLibraryPath);
    void* handle = dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(nullptr, handle) << dlerror();
    const auto ostrel = reinterpret_cast<OstrelFunction>(dlsym(handle, "Ostrel"));
    ASSERT_NE(nullptr, ostrel);
    TempDir dir;
    EXPECT_EQ(kOstrelNoAudio, ostrel(QFile::encodeName(dir.write("e.mp3", {})).constData(),
                                     QFile::encodeName(dir.path("e.wav")).constData()));
    ASSERT_EQ(0, dlclose(handle));
    void* still = dlopen(path.constData(), RTLD_NOW | RTLD_NOLOAD);
    EXPECT_EQ(nullptr, still) << "ostrel.so stays loaded after its last dlclose";
    if (still) dlclose(still);
}

using OstrelDecode = OstrelTest;

TEST_F(OstrelDecode, StereoKeepsItsFormatAndBothChannelsInOrder) {
    const Source& source = Sources::Get().stereo44();
    int result = 1;
    const WavContents wav = Decode(source, &result);
    EXPECT_EQ(kOstrelDecoded, result);
    ExpectHeader(wav, 2, 44100);
    EXPECT_EQ(176400u, wav.header.byteRate);
    const auto left = Channel(wav.samples, 2, 0);
    const auto right = Channel(wav.samples, 2, 1);
    ExpectSignal(source.left, left, 44100);
    ExpectSignal(source.right, right, 44100);
    // Left is left: the falling sweep is not in the first channel.
    const Alignment l = Align(source.left, left, 0, 44100);
    EXPECT_LT(std::abs(CompareAt(source.right, left, l.offset).correlation), 0.2);
}

struct MonoCase {
    const char* name;
    const Source& (Sources::*source)();
    int sampleRate;
    double minCorrelation;
};

void PrintTo(const MonoCase& c, std::ostream* os) { *os << c.name; }

class OstrelMono : public OstrelTest, public ::testing::WithParamInterface<MonoCase> {};

TEST_P(OstrelMono, StaysMonoAtTheSourcesRate) {
    const Source& source = (Sources::Get().*GetParam().source)();
    int result = 1;
    const WavContents wav = Decode(source, &result);
    EXPECT_EQ(kOstrelDecoded, result);
    ExpectHeader(wav, 1, GetParam().sampleRate);
    ExpectSignal(source.left, wav.samples, GetParam().sampleRate, GetParam().minCorrelation);
}

INSTANTIATE_TEST_SUITE_P(Rates, OstrelMono,
                         ::testing::Values(MonoCase{"Mpeg2At22050", &Sources::mono22, 22050, 0.97},
                                           MonoCase{"Mpeg25At8000", &Sources::mono8, 8000, 0.9}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(OstrelDecode, LongFileStaysInStepAcrossFillsAndWrites) {
    const Source& source = Sources::Get().longStereo();
    ASSERT_GT(QFileInfo(source.path).size(), 0x80000) << "must need more than one fill";
    int result = 1;
    const WavContents wav = Decode(source, &result);
    EXPECT_EQ(kOstrelDecoded, result);
    ExpectHeader(wav, 2, 44100);
    for (int c = 0; c < 2; ++c) {
        const auto& original = c == 0 ? source.left : source.right;
        const auto decoded = Channel(wav.samples, 2, c);
        const Alignment start = Align(original, decoded, 0, 44100);
        // A sample lost or doubled at a fill or a write would put everything
        // after it out of step with the sweep.
        for (size_t begin = 0; begin < original.size(); begin += 5 * 44100) {
            const Alignment part =
                CompareAt(original, decoded, start.offset, begin, begin + 5 * 44100);
            EXPECT_GT(part.correlation, 0.95)
                << "channel " << c << " from second " << begin / 44100;
        }
    }
}

TEST_F(OstrelDecode, FullScaleClipsToTheRailsInsteadOfWrapping) {
    const Source& source = Sources::Get().square();
    int result = 1;
    const WavContents wav = Decode(source, &result);
    EXPECT_EQ(kOstrelDecoded, result);
    ExpectHeader(wav, 1, 44100);
    const Alignment a = Align(source.left, wav.samples, 0, 44100);
    ASSERT_GT(a.correlation, 0.9);
    int top = 0, bottom = 0, wrongSign = 0;
    for (int16_t v : wav.samples) {
        top += v == 32767;
        bottom += v == -32768;
    }
    // The decoded plateaus swing above full scale; wrapped round, those
    // samples would come out with the opposite sign. The wave repeats, so the
    // offset found may be whole periods off; the start and end, where the
    // decoder fades in and out, are left out.
    const std::vector<int16_t>& s = source.left;
    const size_t margin = 44100 / 10;
    ASSERT_GT(wav.samples.size(), s.size());
    for (size_t i = margin; i + margin < s.size(); ++i) {
        if (s[i - 4] != s[i + 4]) continue;  // near an edge
        wrongSign += (s[i] > 0) != (wav.samples[i + a.offset] > 0);
    }
    EXPECT_GT(top, 100);
    EXPECT_GT(bottom, 100);
    EXPECT_EQ(0, wrongSign);
}

TEST_F(OstrelDecode, JunkBeforeTheFirstFrameAndADamagedFrameAreSkipped) {
    const Source& source = Sources::Get().stereo44();
    QFile original(source.path);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    QByteArray bytes = original.readAll();
    // A damaged stretch in the middle of the stream...
    const qsizetype middle = bytes.size() / 2;
    for (qsizetype i = 0; i < 300; ++i) bytes[middle + i] = char(0x55 ^ (i * 37));
    // ...and 4000 bytes of junk in front, with no byte that could start a frame.
    QByteArray junk(4000, '\0');
    uint32_t seed = 7;
    for (char& c : junk) {
        seed = seed * 1103515245u + 12345u;
        c = char((seed >> 16) % 255);
    }
    const QString damaged = dir_.write(QStringLiteral("damaged.mp3"), junk + bytes);

    const QString out = dir_.path(QStringLiteral("out.wav"));
    EXPECT_EQ(kOstrelDecoded, Convert(damaged, out));
    const WavContents wav = ReadWavFile(out);
    ExpectHeader(wav, 2, 44100);
    const auto left = Channel(wav.samples, 2, 0);
    const Alignment head = Align(source.left, left, 0, 44100 / 2);
    EXPECT_GT(head.correlation, 0.97);
    // After the damage the sweep goes on, earlier by the frames skipped.
    const Alignment tail =
        Align(source.left, left, 44100 * 14 / 10, 44100 / 2, head.offset - 4 * 1152, head.offset);
    EXPECT_GT(tail.correlation, 0.97);
}

TEST_F(OstrelDecode, TruncatedFileGivesWhatWasThere) {
    const Source& source = Sources::Get().stereo44();
    QFile original(source.path);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();
    // Cut in the middle of a frame, a little past 60 %.
    const QString cut =
        dir_.write(QStringLiteral("cut.mp3"), bytes.left(bytes.size() * 6 / 10 + 77));

    const QString out = dir_.path(QStringLiteral("out.wav"));
    EXPECT_EQ(kOstrelDecoded, Convert(cut, out));
    const WavContents wav = ReadWavFile(out);
    ExpectHeader(wav, 2, 44100);
    const auto left = Channel(wav.samples, 2, 0);
    EXPECT_GT(left.size(), source.left.size() * 5 / 10);
    EXPECT_LT(left.size(), source.left.size() * 7 / 10);
    EXPECT_GT(Align(source.left, left, 0, 44100 / 2).correlation, 0.97);
}

TEST_F(OstrelDecode, CallsKeepNoStateAndReplaceTheDestination) {
    const Source& source = Sources::Get().stereo44();
    const QString first = dir_.path(QStringLiteral("first.wav"));
    const QString second = dir_.path(QStringLiteral("second.wav"));
    // A longer old file in the destination's place is replaced, not overlaid.
    dir_.write(QStringLiteral("second.wav"), QByteArray(3 << 20, 'x'));
    EXPECT_EQ(kOstrelDecoded, Convert(source.path, first));
    EXPECT_EQ(kOstrelNoAudio, Convert(dir_.write(QStringLiteral("e.mp3"), {}), dir_.path("e.wav")));
    EXPECT_EQ(kOstrelDecoded, Convert(source.path, second));
    const QByteArray a = dir_.read(QStringLiteral("first.wav"));
    EXPECT_GT(a.size(), 44);
    EXPECT_TRUE(a == dir_.read(QStringLiteral("second.wav")));
}

using OstrelNoAudio = OstrelTest;

// Nothing decodes: the file is a bare header of a default format.
TEST_F(OstrelNoAudio, FilesWithoutFramesGiveABareHeader) {
    QByteArray noise(20000, '\0');
    uint32_t seed = 99;
    for (char& c : noise) {
        seed = seed * 1103515245u + 12345u;
        c = char((seed >> 16) % 255);  // no 0xFF: nothing that starts a frame
    }
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"empty.mp3", QByteArray()},
        {"text.mp3", QByteArray("This is not music.\nJust a few lines of text\n").repeated(50)},
        {"noise.mp3", noise},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString source = dir_.write(QString::fromLatin1(c.name), c.bytes);
        const QString out = dir_.path(QStringLiteral("out.wav"));
        EXPECT_EQ(kOstrelNoAudio, BoundedConvert(source, out));
        const WavContents wav = ReadWavFile(out);
        EXPECT_EQ(44, wav.fileBytes);
        ExpectHeader(wav, 1, 44100);
        EXPECT_EQ(36u, wav.header.riffSize);
        EXPECT_EQ(0u, wav.header.dataSize);
    }
}

using OstrelFailure = OstrelTest;

TEST_F(OstrelFailure, UnreadableSourceLeavesTheDestinationAsItWas) {
    const QByteArray before("an earlier accompaniment");
    const QString existing = dir_.write(QStringLiteral("existing.wav"), before);
    const QString absent = dir_.path(QStringLiteral("absent.wav"));
    const QString folder = dir_.path(QStringLiteral("folder.mp3"));
    ASSERT_TRUE(QDir().mkdir(folder));
    for (const QString& source : {dir_.path(QStringLiteral("missing.mp3")), folder}) {
        SCOPED_TRACE(source.toStdString());
        EXPECT_EQ(kOstrelSourceUnopenable, BoundedConvert(source, existing));
        EXPECT_EQ(before, dir_.read(QStringLiteral("existing.wav")));
        EXPECT_EQ(kOstrelSourceUnopenable, Convert(source, absent));
        EXPECT_FALSE(QFileInfo::exists(absent));
    }
}

TEST_F(OstrelFailure, UncreatableDestinationWritesNothing) {
    const Source& source = Sources::Get().stereo44();
    ASSERT_TRUE(source.failure.isEmpty()) << source.failure.toStdString();
    const QString inMissingFolder = dir_.path(QStringLiteral("no/such/folder/out.wav"));
    EXPECT_EQ(kOstrelDestinationUnopenable, Convert(source.path, inMissingFolder));
    EXPECT_FALSE(QFileInfo::exists(dir_.path(QStringLiteral("no"))));
    EXPECT_EQ(kOstrelDestinationUnopenable, Convert(source.path, dir_.path()));
}

TEST_F(OstrelFailure, FullDiskIsAFailureNotASuccess) {
    ASSERT_TRUE(QFileInfo::exists(QStringLiteral("/dev/full")));
    // A short file fails at the last write, a long one at the first of many.
    for (const Source* source : {&Sources::Get().stereo44(), &Sources::Get().longStereo()}) {
        ASSERT_TRUE(source->failure.isEmpty()) << source->failure.toStdString();
        EXPECT_EQ(kOstrelWriteFailed, Convert(source->path, QStringLiteral("/dev/full")))
            << source->path.toStdString();
    }
}

TEST_F(OstrelFailure, ReadErrorEndsTheCallAsAFailure) {
    // Reading this process's memory from address 0 fails with an I/O error
    // instead of reaching the end of the file.
    const QString out = dir_.path(QStringLiteral("out.wav"));
    EXPECT_EQ(kOstrelReadFailed, BoundedConvert(QStringLiteral("/proc/self/mem"), out));
}

}  // namespace
