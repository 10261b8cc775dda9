#pragma once
// One connection to the sound server (PulseAudio, or PipeWire's PulseAudio
// service), shared by the sound input, the WAV player and the mixer. It is
// served by a main loop thread of its own, so that streams keep flowing
// while the UI thread is busy. It connects on first use, and anew after the
// server went away or stopped answering. Every wait for the server is
// bounded by a deadline.
// Threads: take a Lock before touching the connection or anything made on
// it (streams, operations); libpulse's callbacks run on the loop thread with
// the lock held, and must not take it.

#include <pulse/pulseaudio.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/PulseHandles.h"
#include "platform/SoundClock.h"

namespace platform {

// How the program shows up in the desktop's volume controls.
struct PulseClientIdentity {
    std::string name = "Tavimo";
    std::string iconName = "tavimo";
};

// A failure in the sound server's words: libpulse's error number (PA_ERR_*)
// and a text of our own that says what went wrong.
struct PulseError {
    int number = 0;
    std::string text;
};

// "`what` (libpulse's text for `number`)".
PulseError MakePulseError(int number, const std::string& what);

class PulseServer {
public:
    explicit PulseServer(PulseClientIdentity identity = {});
    ~PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    // Holds the loop's lock for its lifetime. The lock is recursive. Not for
    // the loop thread itself, where callbacks already hold it.
    class Lock {
    public:
        explicit Lock(PulseServer& server);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        pa_threaded_mainloop* loop_;
    };

    // Lock held. The ready context, connected first when there is none or
    // the last one failed; null when the server cannot be reached by
    // `deadline`, with the reason in `error`.
    pa_context* connect(SoundTime deadline, PulseError& error);

    // Lock held. The context if it is ready now, else null; never connects.
    pa_context* readyContext() const;

    // Lock held. Forgets the connection, as after a server that did not
    // answer; the next connect() makes a new one.
    void disconnect();

    // Lock held. Waits, with the lock released meanwhile, until `done()`
    // holds (true) or the deadline passes (false). Callbacks that change
    // what `done` looks at must call signal().
    bool waitUntil(SoundTime deadline, const std::function<bool()>& done);

    // Loop thread: wakes every waitUntil to look at its condition again.
    void signal();

    // Lock held. Changes of sources, sinks and the server's defaults go to
    // `handler` on the loop thread (an empty handler stops them). The
    // subscription is renewed with every new connection. True while the
    // server confirms it.
    using EventHandler = std::function<void(pa_subscription_event_type_t type, uint32_t index)>;
    void watch(EventHandler handler);
    bool watching() const { return watching_; }

    // Lock held. More watchers beside the one of watch(), each with an id
    // of its own (never 0) to remove it by.
    int addWatcher(EventHandler handler);
    void removeWatcher(int id);

    const PulseClientIdentity& identity() const { return identity_; }
    pa_threaded_mainloop* loop() const { return loop_.get(); }

private:
    static void ContextStateChanged(pa_context* context, void* userdata);
    static void EventArrived(pa_context* context, pa_subscription_event_type_t type, uint32_t index,
                             void* userdata);
    static void Subscribed(pa_context* context, int success, void* userdata);
    void subscribe();

    PulseClientIdentity identity_;
    PulseLoopPtr loop_;
    PulseContextPtr context_;
    std::map<int, EventHandler> eventHandlers_;  // watch()'s under 0
    int lastWatcher_ = 0;
    std::atomic<bool> watching_ = false;
};

}  // namespace platform
