// Which frames ostrel.so writes: every frame that libmad decodes from the
// whole file (the last one included), checked against libmad run on the file
// in memory and against madplay; files whose channel count or sample rate
// changes part way, made by joining lame's files.
#include <gtest/gtest.h>
#include <mad.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdlib>

#include "decoder/ostrel/Ostrel.h"
#include "decoder/ostrel/PcmSample.h"
#include "tests/support/ConverterLibrary.h"
#include "tests/decoder/Mp3Sources.h"
#include "tests/decoder/WavExpectations.h"
#include "tests/support/Mp3Probe.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFiles.h"

namespace {

const QString kLibraryPath = QStringLiteral(TAVIMO_PROGRAM_DIR "/ostrel.so");

// What libmad makes of a whole file held in memory with MAD_BUFFER_GUARD
// zeros after it: the first frame's format and every frame it decodes, each
// sample converted as the library converts it.
struct Decoded {
    int channels = 0;
    unsigned sampleRate = 0;
    int frames = 0;
    std::vector<int16_t> samples;
};

Decoded DecodeInMemory(const QByteArray& file) {
    std::vector<unsigned char> bytes(file.begin(), file.end());
    bytes.resize(bytes.size() + MAD_BUFFER_GUARD, 0);
    mad_stream stream;
    mad_frame frame;
    mad_synth synth;
    mad_stream_init(&stream);
    mad_frame_init(&frame);
    mad_synth_init(&synth);
    mad_stream_buffer(&stream, bytes.data(), bytes.size());
    Decoded out;
    for (;;) {
        if (mad_frame_decode(&frame, &stream) != 0) {
            if (MAD_RECOVERABLE(stream.error)) continue;
            break;  // the end of the buffer
        }
        mad_synth_frame(&synth, &frame);
        if (out.frames++ == 0) {
            out.channels = synth.pcm.channels;
            out.sampleRate = synth.pcm.samplerate;
        }
        for (unsigned i = 0; i < synth.pcm.length; ++i)
            for (int c = 0; c < synth.pcm.channels; ++c)
                out.samples.push_back(ostrel::ToPcm16(synth.pcm.samples[c][i]));
    }
    mad_synth_finish(&synth);
    mad_frame_finish(&frame);
    mad_stream_finish(&stream);
    return out;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class OstrelFrames : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        library_ = std::make_unique<ConverterLibrary>(kLibraryPath, "Ostrel");
    }
    static void TearDownTestSuite() { library_.reset(); }
    void SetUp() override { ASSERT_TRUE(library_->error().isEmpty()) << library_->error().toStdString(); }

    int Convert(const QString& source, const QString& destination) {
        return library_->convert(source, destination);
    }

    // A file made by lame from a sweep (the two channels sweep apart).
    QString Make(const char* name, int channels, int sampleRate, double seconds,
                 QStringList lameArguments) {
        const QString path = dir.path(QString::fromLatin1(name));
        const std::vector<int16_t> left = Chirp(300, 3000, seconds, sampleRate);
        const std::vector<int16_t> samples =
            channels == 1 ? left : Interleave(left, Chirp(2500, 150, seconds, sampleRate));
        const QString failure = EncodeMp3(path, channels, sampleRate, samples, lameArguments);
        EXPECT_TRUE(failure.isEmpty()) << failure.toStdString();
        return path;
    }

    QString Join(const char* name, const QStringList& parts) {
        QByteArray joined;
        for (const QString& part : parts) joined += ReadAll(part);
        return dir.write(QString::fromLatin1(name), joined);
    }

    TempDir dir;
    static inline std::unique_ptr<ConverterLibrary> library_;
};

}  // namespace

TEST_F(OstrelFrames, EveryFrameLibmadDecodesIsWrittenTheLastOneIncluded) {
    const struct {
        const char* name;
        int channels, rate;
        double seconds;
        QStringList lame;
    } cases[] = {
        {"stereo44.mp3", 2, 44100, 2.0, {"-b", "128"}},
        {"mono22.mp3", 1, 22050, 1.5, {"-b", "64", "-m", "m", "--resample", "22.05"}},
        {"mono8.mp3", 1, 8000, 1.0, {"-b", "16", "-m", "m", "--resample", "8"}},
        {"untagged.mp3", 2, 48000, 1.0, {"-b", "192", "-t"}},
        // More than one 512 KiB fill: frames cut at a fill's end are completed.
        {"long.mp3", 2, 44100, 35.0, {"-b", "128", "-m", "s"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString source = Make(c.name, c.channels, c.rate, c.seconds, c.lame);
        const Decoded expected = DecodeInMemory(ReadAll(source));
        ASSERT_GT(expected.frames, 10);

        const QString out = dir.path("out.wav");
        EXPECT_EQ(kOstrelDecoded, Convert(source, out));
        const WavContents wav = ReadWavFile(out);
        ExpectHeader(wav, c.channels, c.rate);
        EXPECT_EQ(expected.samples.size(), wav.samples.size());
        EXPECT_TRUE(expected.samples == wav.samples);
    }
}

TEST_F(OstrelFrames, AgreesWithMadplayBesidesTheInfoFrameMadplaySkips) {
    // madplay rounds where the library truncates: values differ by at most 1.
    // It leaves out lame's Info frame (a frame of silence to libmad), which
    // the library writes like any other frame.
    const struct {
        const char* name;
        int channels;
        QStringList lame;
        int infoFrames;
    } cases[] = {{"tagged.mp3", 2, {"-b", "128"}, 1},
                 {"mono-tagged.mp3", 1, {"-b", "96", "-m", "m"}, 1},
                 {"untagged.mp3", 2, {"-b", "128", "-t"}, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString source = Make(c.name, c.channels, 44100, 2.5, c.lame);
        const QString theirs = dir.path("madplay.wav");
        const ProgramRun madplay =
            RunProgram("madplay", {"-q", "-d", "-o", "wave:" + theirs, source});
        ASSERT_EQ(0, madplay.exitCode) << madplay.errorText.toStdString();
        const WavContents reference = ReadWavFile(theirs);
        ASSERT_TRUE(reference.ok);

        const QString out = dir.path("out.wav");
        EXPECT_EQ(kOstrelDecoded, Convert(source, out));
        const WavContents ours = ReadWavFile(out);
        const size_t skipped = size_t{1152} * c.channels * c.infoFrames;
        ASSERT_EQ(reference.samples.size() + skipped, ours.samples.size());
        int largest = 0;
        for (size_t i = 0; i < reference.samples.size(); ++i)
            largest = std::max(largest, std::abs(ours.samples[i + skipped] - reference.samples[i]));
        EXPECT_LE(largest, 1);
    }
}

TEST_F(OstrelFrames, LaterFramesTakeTheFirstFramesChannelCount) {
    const QString mono = Make("mono.mp3", 1, 44100, 1.0, {"-b", "128", "-m", "m", "-t"});
    const QString stereo = Make("stereo.mp3", 2, 44100, 1.0, {"-b", "128", "-m", "s", "-t"});
    const Decoded monoAlone = DecodeInMemory(ReadAll(mono));
    const Decoded stereoAlone = DecodeInMemory(ReadAll(stereo));
    const QString out = dir.path("out.wav");

    {
        SCOPED_TRACE("mono, then stereo: the stereo part is the average of its channels");
        EXPECT_EQ(kOstrelDecoded, Convert(Join("mono-stereo.mp3", {mono, stereo}), out));
        const WavContents wav = ReadWavFile(out);
        ExpectHeader(wav, 1, 44100);
        ASSERT_EQ(monoAlone.samples.size() + stereoAlone.samples.size() / 2, wav.samples.size());
        EXPECT_TRUE(
            std::equal(monoAlone.samples.begin(), monoAlone.samples.end(), wav.samples.begin()));
        // Past the first stereo frame, whose bit reservoir pointed into the
        // mono file, the stereo part decodes alike in both files.
        const size_t stereoStart = monoAlone.samples.size();
        int largest = 0;
        for (size_t i = 1152; i < stereoAlone.samples.size() / 2; ++i) {
            const int average = (stereoAlone.samples[2 * i] + stereoAlone.samples[2 * i + 1]) / 2;
            largest = std::max(largest, std::abs(wav.samples[stereoStart + i] - average));
        }
        EXPECT_LE(largest, 1);
    }
    {
        SCOPED_TRACE("stereo, then mono: the mono part goes to both channels");
        EXPECT_EQ(kOstrelDecoded, Convert(Join("stereo-mono.mp3", {stereo, mono}), out));
        const WavContents wav = ReadWavFile(out);
        ExpectHeader(wav, 2, 44100);
        ASSERT_EQ(stereoAlone.samples.size() + 2 * monoAlone.samples.size(), wav.samples.size());
        EXPECT_TRUE(std::equal(stereoAlone.samples.begin(), stereoAlone.samples.end(),
                               wav.samples.begin()));
        const std::vector<int16_t> rest(wav.samples.begin() + stereoAlone.samples.size(),
                                        wav.samples.end());
        EXPECT_TRUE(Channel(rest, 2, 0) == Channel(rest, 2, 1));
        const std::vector<int16_t> left = Channel(rest, 2, 0);
        EXPECT_TRUE(std::equal(monoAlone.samples.begin() + 1152, monoAlone.samples.end(),
                               left.begin() + 1152));
    }
}

TEST_F(OstrelFrames, AChangeOfSampleRateEndsTheFileWithEverythingBeforeIt) {
    const QString first = Make("first.mp3", 2, 44100, 1.5, {"-b", "128"});
    const QString second = Make("second.mp3", 2, 32000, 1.0, {"-b", "128"});
    const Decoded firstAlone = DecodeInMemory(ReadAll(first));
    const QString out = dir.path("out.wav");

    EXPECT_EQ(kOstrelRateChanged, Convert(Join("joined.mp3", {first, second, first}), out));
    const WavContents wav = ReadWavFile(out);
    ExpectHeader(wav, 2, 44100);
    EXPECT_TRUE(firstAlone.samples == wav.samples);

    // A frame at the new rate as the file's very last frame still ends it:
    // it decodes only with the zeros after the end of the file.
    const QString untagged = Make("untagged.mp3", 2, 32000, 0.5, {"-b", "128", "-t"});
    const std::vector<Mp3Frame> frames = ReadMp3Frames(untagged);
    ASSERT_FALSE(frames.empty());
    ASSERT_EQ(0, frames[0].mainDataBegin);
    const QString oneFrame = dir.write("one.mp3", ReadAll(untagged).left(frames[0].bytes));
    EXPECT_EQ(kOstrelRateChanged, Convert(Join("late.mp3", {first, oneFrame}), out));
    EXPECT_TRUE(firstAlone.samples == ReadWavFile(out).samples);
}
