// "响度统一": a loud and a quiet song both end at the target loudness, a
// peaky one stops at the true-peak ceiling, silence or a song too short to
// measure gets no gain, and a song measured while it is made gets the
// figures of its finished file.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "effects/ConcurrentLoudnessMeter.h"
#include "effects/Loudness.h"
#include "effects/LoudnessMeter.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFiles.h"

using namespace effects;

namespace {

// Two tones, as a stand-in for a mix with some spread of frequencies.
std::vector<int16_t> TwoTones(double seconds, int rate, int channels, double amplitude) {
    std::vector<int16_t> low = SineSamples(220, seconds, rate, channels, amplitude * 0.6);
    const std::vector<int16_t> high = SineSamples(1500, seconds, rate, channels, amplitude * 0.4);
    for (size_t i = 0; i < low.size(); ++i) low[i] = static_cast<int16_t>(low[i] + high[i]);
    return low;
}

// Measures, applies the computed gain into `out.wav` and measures again.
LoudnessFigures Normalised(const TempDir& dir, const QString& name) {
    const Result<LoudnessFigures> before = MeasureLoudness(dir.file(name));
    EXPECT_TRUE(before.ok());
    if (!before.ok()) return {};
    const Status applied =
        ApplyGainDb(dir.file(name), dir.file("out.wav"), LoudnessGainDb(before.value()));
    EXPECT_TRUE(applied.ok());
    const Result<LoudnessFigures> after = MeasureLoudness(dir.file("out.wav"));
    EXPECT_TRUE(after.ok());
    return after.ok() ? after.value() : LoudnessFigures{};
}

}  // namespace

TEST(Loudness, LoudAndQuietSongsEndAtTheTargetBelowTheCeiling) {
    TempDir dir;
    WriteWavFile(dir.path("loud.wav"), 2, 44100, TwoTones(5, 44100, 2, 30000));
    WriteWavFile(dir.path("quiet.wav"), 1, 22050, TwoTones(5, 22050, 1, 300));
    for (const QString name : {"loud.wav", "quiet.wav"}) {
        const LoudnessFigures after = Normalised(dir, name);
        EXPECT_NEAR(after.integratedLufs, kTargetLufs, 0.5) << name.toStdString();
        EXPECT_LE(after.truePeakDbtp, kTruePeakCeilingDbtp) << name.toStdString();
    }
}

TEST(Loudness, PeakySongStopsAtTheTruePeakCeiling) {
    // Quiet, with a few loud clicks: reaching -14 LUFS would clip them.
    std::vector<int16_t> samples = SineSamples(440, 5, 44100, 1, 500);
    for (size_t i = 10000; i < samples.size(); i += 44100) samples[i] = 30000;
    TempDir dir;
    WriteWavFile(dir.path("peaky.wav"), 1, 44100, samples);
    const LoudnessFigures after = Normalised(dir, "peaky.wav");
    EXPECT_LE(after.truePeakDbtp, kTruePeakCeilingDbtp);
    EXPECT_GT(after.truePeakDbtp, kTruePeakCeilingDbtp - 0.1);
    EXPECT_LT(after.integratedLufs, kTargetLufs - 1);
}

TEST(Loudness, SilenceAndSongsShorterThanAGatingBlockGetNoGain) {
    TempDir dir;
    WriteWavFile(dir.path("silence.wav"), 2, 44100, std::vector<int16_t>(2 * 44100 * 2, 0));
    WriteWavFile(dir.path("short.wav"), 1, 44100, SineSamples(440, 0.3, 44100, 1, 20000));
    for (const char* name : {"silence.wav", "short.wav"}) {
        const Result<LoudnessFigures> figures = MeasureLoudness(dir.file(name));
        ASSERT_TRUE(figures.ok()) << name;
        EXPECT_TRUE(std::isinf(figures->integratedLufs)) << name;
        EXPECT_TRUE(IsNeutralGainDb(LoudnessGainDb(figures.value()))) << name;
    }
}

TEST(Loudness, GainAppliedInPlaceScalesEverySampleSaturated) {
    TempDir dir;
    const std::vector<int16_t> samples{1000, -1000, 20000, -20000, 1};
    WriteWavFile(dir.path("song.wav"), 1, 8000, samples);
    ASSERT_TRUE(ApplyGainDb(dir.file("song.wav"), dir.file("song.wav"), 20 * std::log10(2.0)).ok());
    const WavContents out = ReadWavFile(dir.path("song.wav"));
    EXPECT_EQ(out.samples, (std::vector<int16_t>{2000, -2000, 32767, -32768, 2}));
    EXPECT_EQ(out.header.dataSize, samples.size() * 2);
}

TEST(Loudness, SongMeasuredWhileItIsMadeHasTheFiguresOfItsFile) {
    // Quiet, then loud, then in between, with a click: every part counts.
    std::vector<int16_t> song = TwoTones(3, 44100, 2, 2000);
    for (const double amplitude : {25000.0, 9000.0}) {
        const std::vector<int16_t> part = TwoTones(3, 44100, 2, amplitude);
        song.insert(song.end(), part.begin(), part.end());
    }
    song[2 * 100000 + 1] = 32000;
    TempDir dir;
    WriteWavFile(dir.path("song.wav"), 2, 44100, song);
    const Result<LoudnessFigures> measured = MeasureLoudness(dir.file("song.wav"));
    ASSERT_TRUE(measured.ok());

    Result<LoudnessMeter> meter = LoudnessMeter::create({2, 44100});
    ASSERT_TRUE(meter.ok());
    ConcurrentLoudnessMeter concurrent(std::move(meter).value());
    // Many more blocks than wait at once, of uneven lengths.
    for (size_t done = 0, frames = 7; done < song.size(); frames = frames * 5 % 20011 + 1) {
        const size_t samples = std::min(2 * frames, song.size() - done);
        concurrent.add(std::span(song).subspan(done, samples));
        done += samples;
    }
    const Result<LoudnessFigures> figures = concurrent.finish();
    ASSERT_TRUE(figures.ok());
    EXPECT_EQ(figures->integratedLufs, measured->integratedLufs);
    EXPECT_EQ(figures->truePeakDbtp, measured->truePeakDbtp);
}
