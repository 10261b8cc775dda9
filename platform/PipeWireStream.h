#pragma once
// One PipeWire stream of 16-bit samples on a connection of its own, made
// and destroyed with the server's lock held. Destroying it disconnects the
// stream first, so no callback of it runs afterwards.

#include <pipewire/pipewire.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/PipeWireServer.h"

namespace platform {

struct PipeWireStreamSpec {
    std::string name;         // the stream's (and its node's) name
    std::string mediaName;    // what the desktop's sound settings show
    std::string iconName;     // the media's icon
    std::string target;       // a node's name to link to; "": the default
    pw_direction direction = PW_DIRECTION_INPUT;  // input: capture
    int channels = 1;
    int rate = 44100;
    int latencyFrames = 0;    // what the stream asks of the graph; 0: no wish
};

class PipeWireStream {
public:
    // Lock held. Connects the stream, inactive: it is linked and set up but
    // does not run until activate(). Null with the reason in `error`.
    static std::unique_ptr<PipeWireStream> make(PipeWireServer& server,
                                                const PipeWireStreamSpec& spec,
                                                const pw_stream_events& events, void* data,
                                                std::string& error);
    // Lock held.
    ~PipeWireStream();
    PipeWireStream(const PipeWireStream&) = delete;
    PipeWireStream& operator=(const PipeWireStream&) = delete;

    pw_stream* get() const { return stream_; }
    pw_stream_state state() const;
    // The connection broke off (the server went away).
    bool broken() const { return broken_; }
    // Loop thread: called once the connection breaks off.
    void setBrokeOff(std::function<void()> handler) { brokeOff_ = std::move(handler); }

    // The server has made the stream's node and it has not failed.
    bool ready() const;

    // Lock held. Waits until the server has made the stream's node
    // (paused or streaming), the stream failed, or the deadline passed.
    bool waitReady(PipeWireServer& server, SoundTime deadline) const;

    // Lock held.
    void activate(bool active) { pw_stream_set_active(stream_, active); }

private:
    PipeWireStream() = default;
    static void CoreError(void* data, uint32_t id, int seq, int res, const char* message);

    PipeWireServer* server_ = nullptr;
    pw_core* core_ = nullptr;
    pw_stream* stream_ = nullptr;
    spa_hook coreListener_{};
    spa_hook streamListener_{};
    bool broken_ = false;
    std::function<void()> brokeOff_;
};

// Data callbacks: the stream's timing snapshot of this cycle; empty when it
// has none yet.
std::optional<pw_time> StreamTime(pw_stream* stream);

}  // namespace platform
