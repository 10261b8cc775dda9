// Key change of a made WAV file: the pitch lands on the new key, the length,
// rate and channels stay, the start lines up, and a cancel leaves nothing.
#include <gtest/gtest.h>

#include <QDir>
#include <cmath>
#include <vector>

#include "effects/KeyShift.h"
#include "tests/effects/SignalMeasures.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFiles.h"

using effects::ShiftKey;

namespace {

struct KeyCase {
    int semitones;
    int sampleRate;
    int channels;
    double expectedHz;
};

class KeyShiftPitch : public ::testing::TestWithParam<KeyCase> {};

int64_t Frames(const WavContents& contents) {
    return static_cast<int64_t>(contents.samples.size()) / contents.header.channels;
}

}  // namespace

TEST_P(KeyShiftPitch, ToneLandsOnTheNewKeyAtTheSameLengthAndFormat) {
    const KeyCase key = GetParam();
    TempDir dir;
    WriteWavFile(dir.path("in.wav"), key.channels, key.sampleRate,
                 SineSamples(440, 3.0, key.sampleRate, key.channels));
    const Status shifted = ShiftKey(dir.file("in.wav"), dir.file("out.wav"), key.semitones);
    ASSERT_TRUE(shifted.ok()) << shifted.failure().text.toStdString();

    const WavContents out = ReadWavFile(dir.path("out.wav"));
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(out.header.channels, key.channels);
    EXPECT_EQ(out.header.sampleRate, static_cast<uint32_t>(key.sampleRate));
    EXPECT_EQ(out.header.dataSize, out.samples.size() * 2);
    EXPECT_NEAR(Frames(out), 3 * key.sampleRate, 0.030 * key.sampleRate);
    for (int c = 0; c < key.channels; ++c) {
        const double hz =
            ZeroCrossingFrequency(Channel(out.samples, key.channels, c), key.sampleRate);
        EXPECT_NEAR(hz, key.expectedHz, 0.003 * key.expectedHz) << "channel " << c;
    }
}

INSTANTIATE_TEST_SUITE_P(
    UpTwoDownThree, KeyShiftPitch,
    ::testing::Values(KeyCase{2, 44100, 1, 493.88}, KeyCase{2, 44100, 2, 493.88},
                      KeyCase{2, 22050, 1, 493.88}, KeyCase{2, 22050, 2, 493.88},
                      KeyCase{-3, 44100, 1, 369.99}, KeyCase{-3, 44100, 2, 369.99},
                      KeyCase{-3, 22050, 1, 369.99}, KeyCase{-3, 22050, 2, 369.99},
                      KeyCase{6, 44100, 2, 622.25}, KeyCase{-6, 22050, 1, 311.13}));

TEST(KeyShift, ToneStartsWhereItStartedInTheOriginal) {
    // Rubber Band's own delay must not shift the accompaniment against the voice.
    constexpr int kRate = 44100;
    std::vector<int16_t> samples(kRate, 0);  // one second of silence
    const std::vector<int16_t> tone = SineSamples(440, 1.0, kRate, 1, 16000);
    samples.insert(samples.end(), tone.begin(), tone.end());
    TempDir dir;
    WriteWavFile(dir.path("in.wav"), 1, kRate, samples);
    ASSERT_TRUE(ShiftKey(dir.file("in.wav"), dir.file("out.wav"), 2).ok());
    const WavContents out = ReadWavFile(dir.path("out.wav"));
    size_t onset = 0;
    while (onset < out.samples.size() && std::abs(out.samples[onset]) < 4000) ++onset;
    EXPECT_NEAR(static_cast<double>(onset) / kRate, 1.0, 0.030);
}

TEST(KeyShift, ProgressRisesToTheWholeAndCancelLeavesNoFile) {
    TempDir dir;
    WriteWavFile(dir.path("in.wav"), 2, 22050, SineSamples(440, 5.0, 22050, 2));
    std::vector<double> shares;
    ASSERT_TRUE(ShiftKey(dir.file("in.wav"), dir.file("out.wav"), -2, [&](double share) {
                    shares.push_back(share);
                    return true;
                }).ok());
    ASSERT_GE(shares.size(), 7u);  // a step for every block of 16384 frames
    for (size_t i = 1; i < shares.size(); ++i) EXPECT_GE(shares[i], shares[i - 1]);
    EXPECT_DOUBLE_EQ(shares.back(), 1.0);

    // Cancelled over an existing output: that file stays, no partial file appears.
    const QByteArray before = dir.read("out.wav");
    int calls = 0;
    const Status cancelled =
        ShiftKey(dir.file("in.wav"), dir.file("out.wav"), 3, [&](double) { return ++calls < 3; });
    ASSERT_FALSE(cancelled.ok());
    EXPECT_EQ(cancelled.failure().cause, FailureCause::Cancelled);
    EXPECT_EQ(dir.read("out.wav"), before);
    ASSERT_FALSE(
        ShiftKey(dir.file("in.wav"), dir.file("new.wav"), 3, [](double) { return false; }).ok());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"in.wav", "out.wav"}));
}

TEST(KeyShift, NeutralAndOutOfRangeKeysAreRefusedWithoutAFile) {
    TempDir dir;
    WriteWavFile(dir.path("in.wav"), 1, 22050, SineSamples(440, 0.5, 22050, 1));
    for (const int semitones : {0, 7, -7}) {
        const Status refused = ShiftKey(dir.file("in.wav"), dir.file("out.wav"), semitones);
        ASSERT_FALSE(refused.ok());
        EXPECT_EQ(refused.failure().cause, FailureCause::Invalid);
    }
    EXPECT_FALSE(QFile::exists(dir.path("out.wav")));
}
