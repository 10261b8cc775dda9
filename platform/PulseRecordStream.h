#pragma once
// A ready low-latency record stream on a named source, for the live
// streams (the level meter's input, hearing oneself). It asks the source for
// fragments of the given length and stays on that source: one that goes
// away ends the stream instead of moving it to another microphone.
// Lock held; the callbacks run on the loop thread.

#include <string>

#include "base/Result.h"
#include "platform/PulseHandles.h"
#include "platform/PulseServer.h"

namespace platform {

struct RecordStreamShape {
    std::string source;  // "": the server's default
    pa_sample_spec spec{};
    const char* mediaName = "Voice";
    int fragmentMs = 10;
};

struct RecordStreamCallbacks {
    pa_stream_notify_cb_t stateChanged = nullptr;
    pa_stream_request_cb_t readArrived = nullptr;
    void* userdata = nullptr;
};

Result<PulseStreamPtr> ConnectRecordStream(PulseServer& server, const RecordStreamShape& shape,
                                           SoundTime deadline,
                                           const RecordStreamCallbacks& callbacks);

// A failure of a live stream for the user's ears: the sound server's number
// and a text of ours (cause NoSound).
::Failure LiveStreamFailure(int number, const std::string& what);

}  // namespace platform
