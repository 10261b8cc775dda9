// The voice's reverb through the installed Dragonfly plugins: each preset's
// decay, their order, repeatability, and a clear failure when the plugin is
// not there.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <random>
#include <vector>

#include "effects/VoiceReverb.h"
#include "tests/effects/SignalMeasures.h"
#include "tests/support/WavFiles.h"

using namespace effects;

namespace {

constexpr int kRate = 44100;

// Plugins come from Debian's folder only: one in a user's ~/.lv2 must not
// change what the tests measure.
class VoiceReverbTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("LV2_PATH", "/usr/lib/lv2", 1); }
    void TearDown() override { unsetenv("LV2_PATH"); }
};

std::vector<int16_t> Reverberated(ReverbPreset preset, int channels,
                                  const std::vector<int16_t>& voice, int rate = kRate) {
    Result<VoiceReverb> reverb = VoiceReverb::create(preset, rate, channels);
    EXPECT_TRUE(reverb.ok()) << (reverb.ok() ? "" : reverb.failure().text.toStdString());
    std::vector<int16_t> out(voice.size() * channels);
    if (reverb.ok()) reverb->process(voice, out);
    return out;
}

std::vector<int16_t> Noise(size_t samples) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> sample(-8000, 8000);
    std::vector<int16_t> noise(samples);
    for (int16_t& value : noise) value = static_cast<int16_t>(sample(random));
    return noise;
}

}  // namespace

TEST_F(VoiceReverbTest, ImpulseDecaysWithEachPresetsStatedTimeInOrderAtEveryRate) {
    for (const int rate : {8000, 22050, 44100, 48000}) {
        std::vector<int16_t> impulse(4 * rate, 0);
        impulse[0] = 32767;
        double previous = 0;
        for (const ReverbPreset preset :
             {ReverbPreset::Ktv, ReverbPreset::Studio, ReverbPreset::ConcertHall}) {
            const std::string name =
                ReverbPresetName(preset).toStdString() + " at " + std::to_string(rate);
            const std::vector<int16_t> out = Reverberated(preset, 1, impulse, rate);
            // The voice itself passes unchanged and undelayed; the rest is reverb.
            EXPECT_NEAR(out[0], 32767, 400) << name;
            const std::vector<double> tail(out.begin() + 1, out.end());
            const double rt60 = SchroederRt60(tail, rate);
            EXPECT_GE(rt60, StatedRt60(preset).lowSeconds) << name;
            EXPECT_LE(rt60, StatedRt60(preset).highSeconds) << name;
            EXPECT_GT(rt60, previous) << name;
            previous = rt60;
        }
    }
}

// A song mixed again in the same session must come out the same, so each
// reverb starts afresh, whatever ran before it in the process.
TEST_F(VoiceReverbTest, SameVoiceGivesTheSameSamplesWhateverTheBlocks) {
    const std::vector<int16_t> voice = Noise(2 * kRate);
    for (const ReverbPreset preset :
         {ReverbPreset::Ktv, ReverbPreset::Studio, ReverbPreset::ConcertHall}) {
        SCOPED_TRACE(ReverbPresetName(preset).toStdString());
        const std::vector<int16_t> whole = Reverberated(preset, 2, voice);
        Result<VoiceReverb> reverb = VoiceReverb::create(preset, kRate, 2);
        ASSERT_TRUE(reverb.ok());
        std::vector<int16_t> pieces(voice.size() * 2);
        for (size_t done = 0, step = 1; done < voice.size();
             done += step, step = step * 3 % 5000 + 1) {
            const size_t frames = std::min(step, voice.size() - done);
            reverb->process(std::span(voice).subspan(done, frames),
                            std::span(pieces).subspan(2 * done, 2 * frames));
        }
        EXPECT_EQ(pieces, whole);
        // Over a stereo accompaniment the reverb is spread: the channels differ.
        EXPECT_NE(Channel(whole, 2, 0), Channel(whole, 2, 1));
    }
}

TEST_F(VoiceReverbTest, MissingPluginIsAClearFailure) {
    QTemporaryDir empty;
    setenv("LV2_PATH", empty.path().toLocal8Bit().constData(), 1);
    const Result<VoiceReverb> reverb = VoiceReverb::create(ReverbPreset::Ktv, kRate, 2);
    ASSERT_FALSE(reverb.ok());
    EXPECT_EQ(reverb.failure().cause, FailureCause::Missing);
    EXPECT_TRUE(reverb.failure().text.startsWith(QStringLiteral("混响不可用")));
    EXPECT_FALSE(VoiceReverb::create(ReverbPreset::None, kRate, 2).ok());
}
