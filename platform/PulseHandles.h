#pragma once
// Owners of libpulse's handles: the threaded main loop, a context, a stream,
// an operation and a property list. Contexts, streams and operations belong
// to a loop and are released with its lock held: their owners take it
// themselves (it is recursive), except on the loop thread, which holds it.

#include <pulse/pulseaudio.h>

#include <memory>

namespace platform {

struct PulseLoopCloser {
    void operator()(pa_threaded_mainloop* loop) const;
};
using PulseLoopPtr = std::unique_ptr<pa_threaded_mainloop, PulseLoopCloser>;

// Silences the context's callbacks, disconnects and drops it.
struct PulseContextCloser {
    pa_threaded_mainloop* loop = nullptr;
    void operator()(pa_context* context) const;
};
using PulseContextPtr = std::unique_ptr<pa_context, PulseContextCloser>;

// Silences the stream's callbacks, disconnects and drops it: after this no
// callback of it runs.
struct PulseStreamCloser {
    pa_threaded_mainloop* loop = nullptr;
    void operator()(pa_stream* stream) const;
};
using PulseStreamPtr = std::unique_ptr<pa_stream, PulseStreamCloser>;

// Cancels the operation if it still runs (its callback then never runs, so
// it may point at data that die with the owner) and drops it.
struct PulseOperationCloser {
    pa_threaded_mainloop* loop = nullptr;
    void operator()(pa_operation* operation) const;
};
using PulseOperationPtr = std::unique_ptr<pa_operation, PulseOperationCloser>;

struct PulseProplistCloser {
    void operator()(pa_proplist* list) const { pa_proplist_free(list); }
};
using PulseProplistPtr = std::unique_ptr<pa_proplist, PulseProplistCloser>;

// Holds the loop's lock unless this is the loop thread.
class PulseLoopLock {
public:
    explicit PulseLoopLock(pa_threaded_mainloop* loop);
    ~PulseLoopLock();
    PulseLoopLock(const PulseLoopLock&) = delete;
    PulseLoopLock& operator=(const PulseLoopLock&) = delete;

private:
    pa_threaded_mainloop* loop_ = nullptr;
};

// Drops an operation whose outcome nobody waits for.
inline void ForgetOperation(pa_operation* operation) {
    if (operation) pa_operation_unref(operation);
}

}  // namespace platform
