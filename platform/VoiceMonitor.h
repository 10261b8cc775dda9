#pragma once
// Hearing oneself while singing: a microphone played straight to the
// speakers (or headphones) with the least delay the sound server gives.
// Made inside this process, of streams of its own connection: nothing of it
// outlives the program on the server, however the program ends. It never
// touches what the recorder captures.
// UI thread only: every call, and the failure handler.

#include <functional>
#include <string>

#include "base/Result.h"

namespace platform {

class VoiceMonitor {
public:
    // Called once when monitoring breaks off by itself (the microphone or
    // the server went away); it is stopped then.
    using FailureHandler = std::function<void(const Failure& failure)>;

    virtual ~VoiceMonitor() = default;

    virtual void setFailureHandler(FailureHandler handler) = 0;

    // Plays the source named `source` ("": the server's default) on the
    // default sink at `gain` (0 … 1); a running monitor is stopped first.
    virtual Status start(const std::string& source, double gain) = 0;
    virtual void setGain(double gain) = 0;
    virtual void stop() = 0;
    virtual bool running() const = 0;
};

}  // namespace platform
