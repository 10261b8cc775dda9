// Voice and accompaniment volumes, checked through the program's own mix of
// a voice sample with an accompaniment sample.
#include <gtest/gtest.h>

#include <vector>

#include "audio/MixDown.h"
#include "effects/Balance.h"

using effects::ScaleByPercent;

namespace {

const std::vector<int16_t> kVoice{0, 1, -1, 3, -3, 1000, -1001, 32767, -32768};

}  // namespace

TEST(Balance, HalfTheVoiceOverSilenceIsHalfTheVoiceInTheMix) {
    std::vector<int16_t> voice = kVoice;
    ScaleByPercent(voice, 50);
    EXPECT_EQ(voice, (std::vector<int16_t>{0, 1, -1, 2, -2, 500, -501, 16384, -16384}));
    // The stereo mix leaves a voice over silence as it is.
    for (size_t i = 0; i < voice.size(); ++i) EXPECT_EQ(MixSamples(0, voice[i]), voice[i]);
}

TEST(Balance, NoAccompanimentLeavesTheVoiceAlone) {
    std::vector<int16_t> accompaniment{12000, -12000, 32767, -32768, 5, -5, 0, 1, -1};
    ScaleByPercent(accompaniment, 0);
    for (size_t i = 0; i < kVoice.size(); ++i)
        EXPECT_EQ(MixSamples(accompaniment[i], kVoice[i]), kVoice[i]);
}

TEST(Balance, DoubleSaturatesAndOutOfRangePercentagesAreClamped) {
    std::vector<int16_t> doubled{20000, -20000, 100, -100};
    ScaleByPercent(doubled, 200);
    EXPECT_EQ(doubled, (std::vector<int16_t>{32767, -32768, 200, -200}));
    std::vector<int16_t> over{100, -100};
    ScaleByPercent(over, 500);
    EXPECT_EQ(over, (std::vector<int16_t>{200, -200}));
    std::vector<int16_t> under{100, -100};
    ScaleByPercent(under, -20);
    EXPECT_EQ(under, (std::vector<int16_t>{0, 0}));
}
