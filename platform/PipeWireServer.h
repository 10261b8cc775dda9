#pragma once
// The program's way into a PipeWire sound server: one thread loop of its
// own, on which every stream's events and data callbacks run (so streams
// keep flowing while the UI thread is busy), and one context on it. Each
// stream gets a connection of its own (see PipeWireStream): a server that
// went away takes only the streams of its time with it, and the next
// stream connects afresh. Every wait for the server is bounded by a
// deadline.
// Threads: take a Lock before touching a stream; callbacks run on the loop
// thread with the lock held and must not take it.

#include <pipewire/pipewire.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "platform/SoundClock.h"

namespace platform {

struct PipeWireLoopCloser {
    void operator()(pw_thread_loop* loop) const;
};
using PipeWireLoopPtr = std::unique_ptr<pw_thread_loop, PipeWireLoopCloser>;

struct PipeWireContextCloser {
    void operator()(pw_context* context) const { pw_context_destroy(context); }
};
using PipeWireContextPtr = std::unique_ptr<pw_context, PipeWireContextCloser>;

class PipeWireServer {
public:
    // How the program shows up in the desktop's sound settings.
    PipeWireServer(std::string applicationName, std::string iconName);
    ~PipeWireServer();
    PipeWireServer(const PipeWireServer&) = delete;
    PipeWireServer& operator=(const PipeWireServer&) = delete;

    // Holds the loop's lock for its lifetime; the lock is recursive.
    class Lock {
    public:
        explicit Lock(PipeWireServer& server);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        pw_thread_loop* loop_;
    };

    // Lock held. A new connection to the server, or null with the reason
    // in `error` (no server listening, no context).
    pw_core* connect(std::string& error);

    // Lock held. Waits, with the lock released meanwhile, until `done()`
    // holds (true) or the deadline passes (false). Callbacks that change
    // what `done` looks at call signal().
    bool waitUntil(SoundTime deadline, const std::function<bool()>& done);
    void signal();

    // Lock held. Runs `work` on the loop thread and waits (a second at
    // most) until it has. Streams are torn down there: only there can the
    // calls their data thread has queued for the loop run before the
    // stream is freed.
    void runOnLoop(std::function<void()> work);

    const std::string& applicationName() const { return applicationName_; }
    const std::string& iconName() const { return iconName_; }
    pw_thread_loop* loop() const { return loop_.get(); }

private:
    static void RunJobs(void* data, uint64_t count);

    std::string applicationName_;
    std::string iconName_;
    PipeWireLoopPtr loop_;
    PipeWireContextPtr context_;
    // Under the lock: what runOnLoop() handed over, and how much of it ran.
    spa_source* jobEvent_ = nullptr;
    std::deque<std::function<void()>> jobs_;
    uint64_t jobsQueued_ = 0;
    uint64_t jobsDone_ = 0;
};

// True when a PipeWire server answers on this session's socket.
bool PipeWireServerListens();

}  // namespace platform
