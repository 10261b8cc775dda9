// lame_enc.so driven through its entry points, as the program drives it.
#include <gtest/gtest.h>

#include <QFile>
#include <QSet>
#include <array>
#include <cstring>
#include <vector>

#include "encoder/LameEnc.h"
#include "platform/DynamicLibrary.h"
#include "tests/support/Mp3Probe.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFiles.h"

namespace {

const QString kLibraryPath = QStringLiteral(TAVIMO_PROGRAM_DIR "/lame_enc.so");

platform::DynamicLibrary LoadedOrEmpty(const QString& path) {
    auto loaded = platform::DynamicLibrary::Load(path);
    return loaded ? std::move(loaded).value() : platform::DynamicLibrary();
}

using Record = std::array<uint8_t, lame_enc::kConfigBytes>;

void Put(Record& record, size_t offset, uint32_t value) {
    std::memcpy(record.data() + offset, &value, sizeof value);
}

// The record the program sends for a 16-bit source.
Record ProgramRecord(int sampleRateHz, int channels) {
    namespace f = lame_enc::config;
    Record r{};
    Put(r, f::kKind, 256);
    Put(r, f::kVersion, 1);
    Put(r, f::kSize, 328);
    Put(r, f::kSampleRateHz, sampleRateHz);
    Put(r, f::kMode, channels == 1 ? 3 : 1);
    Put(r, f::kBitRateKbps, 128);
    Put(r, f::kPreset, 6);
    Put(r, f::kMpegVersion, 1);
    Put(r, f::kOriginal, 1);
    Put(r, f::kWriteVbrHeader, 1);
    Put(r, 81, 1);
    return r;
}

struct LameEnc {
    platform::DynamicLibrary library = LoadedOrEmpty(kLibraryPath);
    BeVersionFn version = library.function<BeVersionFn>("beVersion");
    BeInitStreamFn init = library.function<BeInitStreamFn>("beInitStream");
    BeEncodeChunkFn encode = library.function<BeEncodeChunkFn>("beEncodeChunk");
    BeDeinitStreamFn deinit = library.function<BeDeinitStreamFn>("beDeinitStream");
    BeCloseStreamFn close = library.function<BeCloseStreamFn>("beCloseStream");
    BeWriteInfoTagFn tag = library.function<BeWriteInfoTagFn>("beWriteInfoTag");
    BeWriteVbrHeaderFn vbrHeader = library.function<BeWriteVbrHeaderFn>("beWriteVBRHeader");

    bool complete() const {
        return version && init && encode && deinit && close && tag && vbrHeader;
    }
};

struct Opened {
    lame_enc::Result result = ~0u;
    lame_enc::Stream stream = 0;
    uint32_t samplesPerChunk = 0;
    uint32_t mp3BufferBytes = 0;
};

Opened Open(const LameEnc& lib, const Record& record) {
    Opened o;
    o.result = lib.init(record.data(), &o.samplesPerChunk, &o.mp3BufferBytes, &o.stream);
    return o;
}

// Encodes `samples` in pieces of at most `pieceSamples`, flushes and closes;
// returns the MP3 bytes, or an empty array when a call failed.
QByteArray EncodeAll(const LameEnc& lib, const Opened& o, const std::vector<int16_t>& samples,
                     size_t pieceSamples) {
    QByteArray out;
    std::vector<uint8_t> mp3(o.mp3BufferBytes);
    uint32_t produced = 0;
    for (size_t at = 0; at < samples.size(); at += pieceSamples) {
        const auto n = static_cast<uint32_t>(std::min(pieceSamples, samples.size() - at));
        if (lib.encode(o.stream, n, samples.data() + at, mp3.data(), &produced) != lame_enc::kOk) {
            return QByteArray();
        }
        out.append(reinterpret_cast<const char*>(mp3.data()), produced);
    }
    if (lib.deinit(o.stream, mp3.data(), &produced) != lame_enc::kOk) return QByteArray();
    out.append(reinterpret_cast<const char*>(mp3.data()), produced);
    if (lib.close(o.stream) != lame_enc::kOk) return QByteArray();
    return out;
}

class LameEncTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(lib.complete()) << "cannot load " << kLibraryPath.toStdString();
    }
    LameEnc lib;
    TempDir dir;
};

}  // namespace

TEST(LameEncLibrary, ExportsTheSevenEntryPointsAndNothingElse) {
    const ProgramRun nm =
        RunProgram(QStringLiteral("nm"),
                   {QStringLiteral("-D"), QStringLiteral("--defined-only"), kLibraryPath});
    ASSERT_TRUE(nm.finished);
    QSet<QString> names;
    for (const QString& line : nm.output.split('\n', Qt::SkipEmptyParts)) {
        names.insert(line.section(' ', -1));
    }
    const QSet<QString> expected = {"beVersion",       "beInitStream",  "beEncodeChunk",
                                    "beDeinitStream",  "beCloseStream", "beWriteInfoTag",
                                    "beWriteVBRHeader"};
    EXPECT_EQ(expected, names);
}

TEST_F(LameEncTest, VersionRecordStaysWithinItsBytes) {
    std::array<uint8_t, lame_enc::kVersionBytes + 16> bytes;
    bytes.fill(0xAB);
    lib.version(bytes.data());
    EXPECT_EQ(lame_enc::kLibraryMajor, bytes[lame_enc::version::kLibraryMajor]);
    EXPECT_EQ(3, bytes[lame_enc::version::kEngineMajor]);  // LAME 3.x
    const char* text = reinterpret_cast<const char*>(bytes.data() + lame_enc::version::kEngineText);
    EXPECT_EQ(0, std::strncmp(text, "3.", 2)) << text;
    EXPECT_EQ(0, bytes[lame_enc::kVersionBytes - 1]);
    for (size_t i = lame_enc::kVersionBytes; i < bytes.size(); ++i) EXPECT_EQ(0xAB, bytes[i]);
}

TEST_F(LameEncTest, ChunkAndBufferAreTheEncodersFrame) {
    const struct {
        int rate, channels;
        uint32_t samplesPerChunk;
    } cases[] = {
        {44100, 1, 1152}, {44100, 2, 2304}, {48000, 2, 2304},
        {22050, 2, 1152}, {16000, 1, 576},  {8000, 1, 576},
    };
    for (const auto& c : cases) {
        const Opened o = Open(lib, ProgramRecord(c.rate, c.channels));
        ASSERT_EQ(lame_enc::kOk, o.result) << c.rate;
        EXPECT_NE(0u, o.stream);
        EXPECT_EQ(c.samplesPerChunk, o.samplesPerChunk) << c.rate << " Hz " << c.channels;
        EXPECT_GE(o.mp3BufferBytes, 7200u);  // what a flush may need
        EXPECT_EQ(lame_enc::kOk, lib.close(o.stream));
    }
}

TEST_F(LameEncTest, RefusesRecordsItCannotHonour) {
    namespace f = lame_enc::config;
    const struct {
        const char* what;
        size_t offset;
        uint32_t value;
        lame_enc::Result expected;
    } cases[] = {
        {"basic kind", f::kKind, 0, lame_enc::kErrInvalidFormat},
        {"record too short", f::kSize, 40, lame_enc::kErrInvalidFormat},
        {"version 0", f::kVersion, 0, lame_enc::kErrInvalidFormat},
        {"no sample rate", f::kSampleRateHz, 0, lame_enc::kErrInvalidParameters},
        {"dual channel", f::kMode, 2, lame_enc::kErrInvalidParameters},
        {"unknown mode", f::kMode, 7, lame_enc::kErrInvalidParameters},
        {"VBR", f::kVbr, 1, lame_enc::kErrInvalidParameters},
        {"no bit rate", f::kBitRateKbps, 0, lame_enc::kErrInvalidParameters},
    };
    for (const auto& c : cases) {
        Record r = ProgramRecord(44100, 2);
        Put(r, c.offset, c.value);
        const Opened o = Open(lib, r);
        EXPECT_EQ(c.expected, o.result) << c.what;
        EXPECT_EQ(0u, o.stream) << c.what;
    }
    uint32_t a, b;
    lame_enc::Stream s;
    EXPECT_EQ(lame_enc::kErrInvalidParameters, lib.init(nullptr, &a, &b, &s));
}

TEST_F(LameEncTest, HandlesAreCheckedNotFollowed) {
    const Opened o = Open(lib, ProgramRecord(44100, 2));
    ASSERT_EQ(lame_enc::kOk, o.result);
    std::vector<int16_t> samples(o.samplesPerChunk + 2, 0);
    std::vector<uint8_t> mp3(o.mp3BufferBytes);
    uint32_t produced = 99;
    EXPECT_EQ(lame_enc::kErrInvalidHandle, lib.encode(0, 4, samples.data(), mp3.data(), &produced));
    EXPECT_EQ(0u, produced);
    EXPECT_EQ(lame_enc::kErrInvalidHandle,
              lib.encode(o.stream + 1000, 4, samples.data(), mp3.data(), &produced));
    EXPECT_EQ(lame_enc::kErrBufferTooSmall,
              lib.encode(o.stream, o.samplesPerChunk + 2, samples.data(), mp3.data(), &produced));
    EXPECT_EQ(lame_enc::kOk,
              lib.encode(o.stream, o.samplesPerChunk, samples.data(), mp3.data(), &produced));
    EXPECT_EQ(lame_enc::kOk, lib.deinit(o.stream, mp3.data(), &produced));
    // A finished stream takes no more samples and no second flush.
    EXPECT_EQ(lame_enc::kErrInvalidHandle,
              lib.encode(o.stream, 4, samples.data(), mp3.data(), &produced));
    EXPECT_EQ(lame_enc::kErrInvalidHandle, lib.deinit(o.stream, mp3.data(), &produced));
    EXPECT_EQ(lame_enc::kOk, lib.close(o.stream));
    EXPECT_EQ(lame_enc::kErrInvalidHandle, lib.close(o.stream));
    EXPECT_EQ(lame_enc::kErrInvalidHandle,
              lib.encode(o.stream, 4, samples.data(), mp3.data(), &produced));

    // Handles are not reused.
    const Opened next = Open(lib, ProgramRecord(44100, 2));
    EXPECT_NE(o.stream, next.stream);
    EXPECT_EQ(lame_enc::kOk, lib.close(next.stream));
}

TEST_F(LameEncTest, OddPiecesGiveTheSameStreamAsWholeChunks) {
    // A piece that ends inside a stereo frame keeps its last sample for the next.
    std::vector<int16_t> samples = SineSamples(440, 0.5, 44100, 2);
    const Opened whole = Open(lib, ProgramRecord(44100, 2));
    const QByteArray a = EncodeAll(lib, whole, samples, whole.samplesPerChunk);
    const Opened odd = Open(lib, ProgramRecord(44100, 2));
    const QByteArray b = EncodeAll(lib, odd, samples, 999);
    ASSERT_FALSE(a.isEmpty());
    EXPECT_EQ(a, b);
    lib.tag(whole.stream, nullptr);  // releases both without writing
    lib.tag(odd.stream, nullptr);
}

TEST_F(LameEncTest, TagIsWrittenIntoTheFinishedFileAndReleasesTheStream) {
    const std::vector<int16_t> samples = SineSamples(440, 1.0, 44100, 1);
    const Opened o = Open(lib, ProgramRecord(44100, 1));
    const QByteArray bytes = EncodeAll(lib, o, samples, o.samplesPerChunk);
    ASSERT_FALSE(bytes.isEmpty());
    const QString path = dir.write("tone.mp3", bytes);

    // Before the tag the first frame is a placeholder that players skip blind.
    EXPECT_FALSE(DescribeMp3(path).infoTag);
    EXPECT_EQ(lame_enc::kOk, lib.tag(o.stream, QFile::encodeName(path).constData()));
    const Mp3Description d = DescribeMp3(path);
    EXPECT_TRUE(d.infoTag) << d.log.toStdString();
    // 44100 samples, 576 of encoder delay and the padding: 40 frames of 1152.
    EXPECT_EQ(40, d.tagFrames);
    EXPECT_EQ(bytes.size(), QFile(path).size());

    EXPECT_EQ(lame_enc::kErrInvalidHandle, lib.tag(o.stream, QFile::encodeName(path).constData()));
    EXPECT_EQ(lame_enc::kErrNoTag, lib.vbrHeader(QFile::encodeName(path).constData()));
}

TEST_F(LameEncTest, VbrHeaderTagsTheLatestClosedStreamOnly) {
    const std::vector<int16_t> samples = SineSamples(440, 0.3, 44100, 1);
    const Opened first = Open(lib, ProgramRecord(44100, 1));
    const QString firstPath = dir.write("first.mp3", EncodeAll(lib, first, samples, 1152));
    const Opened second = Open(lib, ProgramRecord(44100, 1));
    const QString secondPath = dir.write("second.mp3", EncodeAll(lib, second, samples, 1152));

    // Closing the second stream released the first, which waited for its tag.
    EXPECT_EQ(lame_enc::kErrInvalidHandle,
              lib.tag(first.stream, QFile::encodeName(firstPath).constData()));
    EXPECT_EQ(lame_enc::kOk, lib.vbrHeader(QFile::encodeName(secondPath).constData()));
    EXPECT_TRUE(DescribeMp3(secondPath).infoTag);
    EXPECT_FALSE(DescribeMp3(firstPath).infoTag);
    EXPECT_EQ(lame_enc::kErrNoTag, lib.vbrHeader(QFile::encodeName(secondPath).constData()));
}

TEST_F(LameEncTest, TagOfAMissingFileIsAFileError) {
    const Opened o = Open(lib, ProgramRecord(44100, 1));
    ASSERT_FALSE(EncodeAll(lib, o, SineSamples(440, 0.1, 44100, 1), 1152).isEmpty());
    EXPECT_EQ(lame_enc::kErrFile,
              lib.tag(o.stream, QFile::encodeName(dir.path("missing/x.mp3")).constData()));
    // The stream is released all the same.
    EXPECT_EQ(lame_enc::kErrInvalidHandle, lib.tag(o.stream, nullptr));
}

TEST_F(LameEncTest, ProgramsRecordKeepsTheBitReservoir) {
    // Offset 81 falls into the VBR-method field; the no-reservoir flag at 84
    // stays 0, so frames borrow bits from earlier ones. Setting the flag
    // makes every frame self-contained.
    std::vector<int16_t> music;
    for (int f : {220, 330, 495, 742, 1113, 1670, 2505}) {
        const std::vector<int16_t> tone = SineSamples(f, 0.4, 44100, 2, 3000);
        music.insert(music.end(), tone.begin(), tone.end());
    }
    for (size_t i = 0; i < music.size(); ++i)
        music[i] += static_cast<int16_t>((i * 7919) % 2001) - 1000;

    Record reservoir = ProgramRecord(44100, 2);
    Record noReservoir = reservoir;
    Put(noReservoir, lame_enc::config::kNoBitReservoir, 1);
    int borrowing[2] = {0, 0};
    const Record* records[2] = {&reservoir, &noReservoir};
    for (int k = 0; k < 2; ++k) {
        const Opened o = Open(lib, *records[k]);
        const QString path =
            dir.write(QStringLiteral("r%1.mp3").arg(k), EncodeAll(lib, o, music, 2304));
        lib.tag(o.stream, QFile::encodeName(path).constData());
        const std::vector<Mp3Frame> frames = ReadMp3Frames(path);
        ASSERT_GT(frames.size(), 50u);
        for (const Mp3Frame& frame : frames) borrowing[k] += frame.mainDataBegin > 0;
    }
    EXPECT_GT(borrowing[0], 10);
    EXPECT_EQ(0, borrowing[1]);
}
