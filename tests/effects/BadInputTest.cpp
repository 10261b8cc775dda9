// Files the effects may be handed that hold no proper song: each gives a
// clear failure or a harmless result, never a crash or a hang, and never a
// partial output file.
#include <gtest/gtest.h>

#include <QFile>
#include <cmath>
#include <cstring>

#include "effects/KeyShift.h"
#include "effects/Loudness.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFiles.h"

using namespace effects;

namespace {

QByteArray HeaderOf(int channels, int sampleRate, int frames) {
    WavHeader header;
    InitWavHeader(header, channels, sampleRate, 16);
    header.dataSize = static_cast<uint32_t>(frames * channels * 2);
    return QByteArray(reinterpret_cast<const char*>(&header), sizeof header);
}

}  // namespace

TEST(BadInput, UnreadableOrMalformedFilesFailClearly) {
    TempDir dir;
    dir.write("empty.wav", {});
    dir.write("rate0.wav", HeaderOf(1, 0, 100) + QByteArray(200, '\1'));
    dir.write("five.wav", HeaderOf(5, 44100, 10) + QByteArray(100, '\1'));
    dir.write("text.wav", QByteArray(100, 'x'));
    for (const char* name : {"empty.wav", "rate0.wav", "five.wav", "text.wav", "missing.wav"}) {
        const std::string path = dir.file(name);
        const FailureCause expected = std::strcmp(name, "missing.wav") == 0
                                          ? FailureCause::Unreadable
                                          : FailureCause::Invalid;
        const Status shifted = ShiftKey(path, dir.file("out.wav"), 2);
        ASSERT_FALSE(shifted.ok()) << name;
        EXPECT_EQ(shifted.failure().cause, expected) << name;
        EXPECT_FALSE(shifted.failure().text.isEmpty()) << name;
        const Result<LoudnessFigures> measured = MeasureLoudness(path);
        ASSERT_FALSE(measured.ok()) << name;
        EXPECT_EQ(measured.failure().cause, expected) << name;
        EXPECT_FALSE(ApplyGainDb(path, dir.file("out.wav"), -3).ok()) << name;
        EXPECT_FALSE(QFile::exists(dir.path("out.wav"))) << name;
    }
}

TEST(BadInput, HeaderOnlyAndOneSampleFilesGiveFilesOfTheirOwnLength) {
    TempDir dir;
    dir.write("header.wav", HeaderOf(2, 44100, 0));
    dir.write("one.wav", HeaderOf(1, 22050, 1) + QByteArray("\x10\x27", 2));
    for (const auto& [name, frames] : {std::pair{"header.wav", 0}, std::pair{"one.wav", 1}}) {
        ASSERT_TRUE(ShiftKey(dir.file(name), dir.file("out.wav"), -6).ok()) << name;
        const WavContents out = ReadWavFile(dir.path("out.wav"));
        EXPECT_EQ(out.fileBytes, 44 + frames * out.header.channels * 2) << name;
        const Result<LoudnessFigures> measured = MeasureLoudness(dir.file(name));
        ASSERT_TRUE(measured.ok()) << name;
        EXPECT_TRUE(std::isinf(measured->integratedLufs)) << name;
        EXPECT_TRUE(IsNeutralGainDb(LoudnessGainDb(measured.value()))) << name;
    }
}
