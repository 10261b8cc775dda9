#pragma once
// Live sound from a microphone for what the singer sees while singing (the
// input level meter): mono 16-bit blocks of a few milliseconds, as they
// come, from start() to stop(). Nothing is kept for later; a block the UI
// thread takes late is handed over whole with the rest. A stream of its
// own, apart from the recorder's input: a take's file is never touched.
// UI thread only: every call, and every call of the handlers.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "base/Result.h"

namespace platform {

class LiveInput {
public:
    using BlockHandler = std::function<void(const int16_t* samples, size_t count)>;
    // Called once when the sound breaks off by itself (the microphone or
    // the server went away); the input is stopped then.
    using FailureHandler = std::function<void(const Failure& failure)>;

    virtual ~LiveInput() = default;

    virtual void setBlockHandler(BlockHandler handler) = 0;
    virtual void setFailureHandler(FailureHandler handler) = 0;

    // Captures the source named `source` ("": the server's default) at
    // `sampleRate`; a running capture is stopped first.
    virtual Status start(const std::string& source, int sampleRate) = 0;
    virtual void stop() = 0;
    virtual bool running() const = 0;
};

}  // namespace platform
