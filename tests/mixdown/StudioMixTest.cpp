// The mix with the singer's settings: the volumes, the reverb on the voice
// and even loudness, on real files; and the plain mix whenever a setting is
// at its default.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/MixDown.h"
#include "effects/Loudness.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFiles.h"

namespace {

WavHeader Format(int channels) {
    WavHeader h;
    InitWavHeader(h, channels, 44100, 16);
    return h;
}

WavContents Mix(const TempDir& dir, int channels, const MixSettings& settings) {
    WavHeader format = Format(channels);
    EXPECT_TRUE(MixDown(dir.path(), format, settings));
    return ReadWavFile(dir.path("mix.wav"));
}

}  // namespace

TEST(StudioMix, TheVolumesScaleVoiceAndAccompanimentBeforeTheMix) {
    TempDir dir;
    const std::vector<int16_t> voice = SineSamples(440, 1, 44100, 1, 12000);
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        WriteWavFile(dir.path("record.wav"), 1, 44100, voice);
        WriteWavFile(dir.path("bgsound.wav"), channels, 44100,
                     std::vector<int16_t>(voice.size() * channels, 0));
        const WavContents half = Mix(dir, channels, {.voicePercent = 50});
        for (size_t i = 0; i < voice.size(); ++i)
            ASSERT_NEAR(voice[i] / 2.0, half.samples[i * channels], 0.51) << i;
        // Without the accompaniment the mix is the voice itself.
        WriteWavFile(dir.path("bgsound.wav"), channels, 44100,
                     SineSamples(1000, 1, 44100, channels, 9000));
        const WavContents alone = Mix(dir, channels, {.accompanimentPercent = 0});
        for (size_t i = 0; i < voice.size(); ++i)
            ASSERT_EQ(voice[i], alone.samples[i * channels + channels - 1]) << i;
        // And at 100 % both, the plain mix to the byte.
        WavHeader plain = Format(channels);
        ASSERT_TRUE(MixDown(dir.path(), plain));
        const QByteArray plainMix = dir.read("mix.wav");
        Mix(dir, channels, {});
        EXPECT_EQ(plainMix, dir.read("mix.wav"));
    }
}

TEST(StudioMix, TheReverbGivesTheVoiceATailInEachChannelAndNoneWithout) {
    TempDir dir;
    std::vector<int16_t> click(44100, 0);
    click[100] = 20000;
    WriteWavFile(dir.path("record.wav"), 1, 44100, click);
    WriteWavFile(dir.path("bgsound.wav"), 2, 44100, std::vector<int16_t>(2 * 44100, 0));
    // The energy half a second after the click, in each channel.
    const auto tail = [](const WavContents& mix, int channel) {
        double energy = 0;
        for (size_t i = 22050; i < 44100; ++i) energy += std::pow(mix.samples[2 * i + channel], 2);
        return energy;
    };
    const WavContents dry = Mix(dir, 2, {});
    EXPECT_EQ(0, tail(dry, 0));
    const WavContents wet = Mix(dir, 2, {.reverb = effects::ReverbPreset::ConcertHall});
    EXPECT_GT(tail(wet, 0), 0);
    EXPECT_GT(tail(wet, 1), 0);
    EXPECT_EQ(dry.samples.size(), wet.samples.size()) << "the mix keeps its length";
}

TEST(StudioMix, EvenLoudnessBringsLoudAndQuietTakesToMinus14UnderTheCeiling) {
    TempDir dir;
    for (double level : {28000.0, 600.0}) {
        SCOPED_TRACE(level);
        WriteWavFile(dir.path("record.wav"), 1, 44100, SineSamples(440, 6, 44100, 1, level));
        WriteWavFile(dir.path("bgsound.wav"), 2, 44100, SineSamples(220, 6, 44100, 2, level));
        Mix(dir, 2, {.evenLoudness = true});
        const auto figures = effects::MeasureLoudness(dir.file("mix.wav"));
        ASSERT_TRUE(figures);
        EXPECT_NEAR(-14, figures->integratedLufs, 0.5);
        EXPECT_LE(figures->truePeakDbtp, -1.0 + 1e-6);
    }
}

// Measured while the mix is made, the loudness is that of the finished mix:
// the same file as a plain mix given its one gain afterwards.
TEST(StudioMix, EvenLoudnessIsTheGainOfTheFinishedMix) {
    TempDir dir;
    // Longer than several mixing blocks, rising in level, the accompaniment
    // ending in half a frame.
    std::vector<int16_t> voice = SineSamples(440, 8, 44100, 1, 3000);
    for (size_t i = 0; i < voice.size(); ++i)
        voice[i] = static_cast<int16_t>(voice[i] * (1.0 + 6.0 * i / voice.size()));
    std::vector<int16_t> accompaniment = SineSamples(220, 7, 44100, 2, 6000);
    accompaniment.push_back(1234);
    WriteWavFile(dir.path("record.wav"), 1, 44100, voice);
    WriteWavFile(dir.path("bgsound.wav"), 2, 44100, accompaniment);
    MixSettings studio{.voicePercent = 120,
                       .accompanimentPercent = 80,
                       .reverb = effects::ReverbPreset::Ktv};
    Mix(dir, 2, studio);
    const Result<effects::LoudnessFigures> figures = effects::MeasureLoudness(dir.file("mix.wav"));
    ASSERT_TRUE(figures);
    ASSERT_FALSE(effects::IsNeutralGainDb(effects::LoudnessGainDb(figures.value())));
    ASSERT_TRUE(effects::ApplyGainDb(dir.file("mix.wav"), dir.file("expected.wav"),
                                     effects::LoudnessGainDb(figures.value())));
    studio.evenLoudness = true;
    Mix(dir, 2, studio);
    EXPECT_EQ(dir.read("expected.wav"), dir.read("mix.wav"));
}
