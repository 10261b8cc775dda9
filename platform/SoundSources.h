#pragma once
// The sound server's microphones (its sources that are not a sink's
// monitor) and its default devices, with word when any of them changes (a
// microphone plugged in or out, another default chosen).
// UI thread only; the change handler is called on the UI thread.

#include <functional>
#include <string>
#include <vector>

#include "base/Result.h"

namespace platform {

struct SoundSource {
    std::string name;         // the server's name, to open it by
    std::string description;  // what the desktop calls it
};

struct SoundDeviceList {
    std::vector<SoundSource> microphones;  // the default source first, when it is one
    std::string defaultSource;
    std::string defaultSink;
};

class SoundSources {
public:
    using ChangeHandler = std::function<void()>;

    virtual ~SoundSources() = default;

    // As the server has them now; fails without a server.
    virtual Result<SoundDeviceList> list() = 0;

    // Changes go to `handler` from now on (an empty handler stops them).
    // Several changes in a row may come as one call.
    virtual void watch(ChangeHandler handler) = 0;
};

}  // namespace platform
