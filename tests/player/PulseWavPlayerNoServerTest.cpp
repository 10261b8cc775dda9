#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/PulseWavPlayer.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFiles.h"

namespace {
// Runs before anything connects to a sound server.
const bool kNoServer = [] {
    setenv("PULSE_SERVER", "unix:/nonexistent/tavimo/pulse/native", 1);
    return true;
}();
}  // namespace

TEST(WavPlayerWithoutSound, OpenFailsWithoutASoundServer) {
    ASSERT_TRUE(kNoServer);
    TempDir dir;
    WriteWavFile(dir.path("tone.wav"), 2, 44100, SineSamples(440, 0.5, 44100, 2));
    platform::PulseWavPlayer player(std::make_shared<platform::PulseServer>());
    player.setFileName(dir.path("tone.wav"));
    const Status opened = player.open();
    ASSERT_FALSE(opened) << "open succeeded without a sound server";
    EXPECT_TRUE(opened.failure().text.startsWith("There is no sound output device to play"))
        << opened.failure().text.toStdString();
    EXPECT_FALSE(player.isOpen());
    EXPECT_FALSE(player.play());
}
