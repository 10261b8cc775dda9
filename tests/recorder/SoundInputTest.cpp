// The sound input on its own, with a microphone that hears the test server's
// speakers while a player plays clicks on them: the moment it reports for
// its first sample must place the clicks where the player says they were
// heard, and stop() must hand over everything up to its call, take after
// take on one input.
#include <gtest/gtest.h>

#include <QTest>
#include <array>
#include <chrono>
#include <cstring>
#include <memory>

#include "platform/AudioInput.h"
#include "platform/WavPlayer.h"
#include "tests/support/ClickTrack.h"
#include "tests/support/LoopbackMicrophone.h"
#include "tests/support/SessionSound.h"
#include "tests/support/TempDir.h"

namespace {

using Clock = platform::SoundClock;

int64_t Frames(Clock::duration d) {
    return static_cast<int64_t>(std::chrono::duration<double>(d).count() * kClickRate);
}

// An input with its ten blocks, keeping all it hands back.
struct Capture {
    explicit Capture(SessionSound& sound) : owner(sound.input()), input(*owner) {
        input.setBlockHandler([this](platform::AudioBlock& block) {
            bytes.insert(bytes.end(), block.bytes.begin(),
                         block.bytes.begin() + static_cast<std::ptrdiff_t>(block.recordedBytes));
            (void)input.queueBlock(block);
        });
    }
    bool lend() {
        for (platform::AudioBlock& block : blocks) {
            block.bytes.assign(2646, 0);
            if (!input.prepareBlock(block).ok() || !input.queueBlock(block).ok()) return false;
        }
        return true;
    }
    std::vector<int16_t> samples() const {
        std::vector<int16_t> out(bytes.size() / 2);
        std::memcpy(out.data(), bytes.data(), out.size() * 2);
        return out;
    }

    std::unique_ptr<platform::AudioInput> owner;
    platform::AudioInput& input;
    std::array<platform::AudioBlock, 10> blocks;
    std::vector<char> bytes;
};

}  // namespace

TEST(SoundInput, ItsFirstSampleTimePlacesWhatItHeardAndStopKeepsUpToTheCall) {
    LoopbackMicrophone microphone;
    ASSERT_TRUE(microphone.ready());
    TempDir dir;
    const std::vector<int64_t> clicks = IrregularClicks(12);
    WriteClickTrack(dir.path("clicks.wav"), 2, 12, clicks);
    SessionSound sound;
    const auto playerOwner = sound.player();
    platform::WavPlayer& player = *playerOwner;
    player.setFileName(dir.path("clicks.wav"));
    ASSERT_TRUE(player.open());
    ASSERT_TRUE(player.play());
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.firstSampleHeardAt().has_value(); }, 5000));
    const Clock::time_point heard = *player.firstSampleHeardAt();

    Capture capture(sound);
    ASSERT_TRUE(capture.input.open({1, kClickRate, 16}, 2646).ok());
    ASSERT_TRUE(capture.lend());
    // Two runs of one open input: a start after a stop begins afresh.
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        capture.bytes.clear();
        ASSERT_TRUE(capture.input.start().ok());
        QTest::qWait(1500);
        const Clock::time_point stoppedAt = Clock::now();
        capture.input.stop();
        const std::optional<Clock::time_point> captured = capture.input.firstSampleCapturedAt();
        ASSERT_TRUE(captured);

        // Click k was heard at heard + clicks[k], so it lies that long after
        // the first sample captured.
        const std::vector<int16_t> samples = capture.samples();
        const std::vector<int64_t> offsets =
            ClickOffsets(FindClicks(samples), clicks, Frames(heard - *captured));
        ASSERT_GE(offsets.size(), 2u);
        for (const int64_t offset : offsets) EXPECT_LE(std::abs(offset), kClickRate * 5 / 1000);
        // Everything from the first sample to the stop, and nothing after.
        EXPECT_NEAR(double(Frames(stoppedAt - *captured)), double(samples.size()),
                    kClickRate * 0.03);
    }
    capture.input.close();
    player.close();
}
