#pragma once
// The take's sound input and player as the program makes them on the sound
// server the tests run against (scripts/test-env tells which:
// TAVIMO_TEST_SOUND_SERVER), with a way to hold their sound thread.

#include <chrono>
#include <memory>

#include "platform/AudioInput.h"
#include "platform/WavPlayer.h"

namespace platform {
class PipeWireServer;
class PulseServer;
}  // namespace platform

bool TestsRunOnPipeWire();

class SessionSound {
public:
    SessionSound();
    ~SessionSound();

    std::unique_ptr<platform::WavPlayer> player();
    std::unique_ptr<platform::AudioInput> input();

    // Keeps the sound thread from running for `time`, as a machine too busy
    // to feed the streams would.
    void holdSoundThread(std::chrono::milliseconds time);

private:
    std::shared_ptr<platform::PulseServer> pulse_;
    std::shared_ptr<platform::PipeWireServer> pipewire_;
};
