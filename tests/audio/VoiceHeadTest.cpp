// Lining up the head of a take's voice: what is dropped or made up with
// silence for the moments the input and the player report.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <numeric>

#include "audio/VoiceHead.h"

using namespace std::chrono_literals;

namespace {

// Mono 16-bit frames numbered from `first`.
std::vector<char> Frames(int first, int count) {
    std::vector<int16_t> samples(static_cast<size_t>(count));
    std::iota(samples.begin(), samples.end(), static_cast<int16_t>(first));
    const auto* bytes = reinterpret_cast<const char*>(samples.data());
    return std::vector<char>(bytes, bytes + samples.size() * 2);
}

std::vector<int16_t> Samples(const std::vector<char>& bytes) {
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

}  // namespace

TEST(VoiceHead, FramesBetweenTheTwoMomentsToTheNearestFrame) {
    const platform::SoundTime t0{};
    EXPECT_EQ(441, VoiceHead::FramesBefore(t0 + 10ms, t0, 44100));  // heard after the capture began
    EXPECT_EQ(-441, VoiceHead::FramesBefore(t0, t0 + 10ms, 44100));  // capture began late
    EXPECT_EQ(0, VoiceHead::FramesBefore(t0, t0, 44100));
    EXPECT_EQ(11, VoiceHead::FramesBefore(t0 + 1ms, t0, 11025));  // 11.025 frames
    EXPECT_EQ(1, VoiceHead::FramesBefore(t0 + 30us, t0, 44100));  // 1.323
    // Moments too far apart come from reports that cannot be right.
    EXPECT_EQ(0, VoiceHead::FramesBefore(t0 + 31s, t0, 44100));
    EXPECT_EQ(0, VoiceHead::FramesBefore(t0, t0 + 31s, 44100));
    EXPECT_EQ(1323000, VoiceHead::FramesBefore(t0 + 30s, t0, 44100));
}

TEST(VoiceHead, SoundIsHeldUntilAlignedThenTheHeadIsDroppedAcrossPieces) {
    VoiceHead head;
    head.reset(2);
    std::vector<char> out;
    head.take(Frames(0, 100).data(), 200, out);
    head.take(Frames(100, 100).data(), 200, out);
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(head.aligned());
    EXPECT_EQ(400u, head.heldBytes());

    // 250 frames came before the take's start: all that was held and 50 more.
    head.align(250, out);
    EXPECT_TRUE(head.aligned());
    EXPECT_TRUE(out.empty());
    head.take(Frames(200, 100).data(), 200, out);
    head.take(Frames(300, 10).data(), 20, out);
    const std::vector<int16_t> written = Samples(out);
    ASSERT_EQ(60u, written.size());
    EXPECT_EQ(250, written.front());
    EXPECT_EQ(309, written.back());
    // Aligning again changes nothing.
    head.align(-5, out);
    EXPECT_EQ(60u, Samples(out).size());
}

TEST(VoiceHead, ALateStartIsMadeUpWithSilenceBeforeWhatWasHeld) {
    VoiceHead head;
    head.reset(2);
    std::vector<char> out;
    head.take(Frames(1, 3).data(), 6, out);
    head.align(-4, out);
    head.take(Frames(4, 2).data(), 4, out);
    EXPECT_EQ((std::vector<int16_t>{0, 0, 0, 0, 1, 2, 3, 4, 5}), Samples(out));
}

TEST(VoiceHead, EightBitSilenceAndAFreshTake) {
    VoiceHead head;
    head.reset(1, char(0x80));
    std::vector<char> out;
    head.align(-3, out);
    EXPECT_EQ(std::vector<char>(3, char(0x80)), out);

    // A new take holds again and forgets what was still to drop.
    head.reset(2);
    head.align(1000, out);
    head.reset(2);
    EXPECT_FALSE(head.aligned());
    out.clear();
    head.take(Frames(7, 2).data(), 4, out);
    head.align(0, out);
    EXPECT_EQ((std::vector<int16_t>{7, 8}), Samples(out));
}
