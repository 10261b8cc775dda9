#include "platform/PipeWireStream.h"

#include <spa/param/audio/format-utils.h>
#include <spa/pod/builder.h>

#include <cerrno>
#include <cstring>
#include <ctime>

namespace platform {
namespace {

std::string Text(int number) { return std::strerror(number < 0 ? -number : number); }

}  // namespace

std::unique_ptr<PipeWireStream> PipeWireStream::make(PipeWireServer& server,
                                                     const PipeWireStreamSpec& spec,
                                                     const pw_stream_events& events, void* data,
                                                     std::string& error) {
    std::unique_ptr<PipeWireStream> made(new PipeWireStream());
    made->server_ = &server;
    made->core_ = server.connect(error);
    if (!made->core_) return nullptr;
    static pw_core_events coreEvents = [] {
        pw_core_events e{};
        e.version = PW_VERSION_CORE_EVENTS;
        e.error = CoreError;
        return e;
    }();
    pw_core_add_listener(made->core_, &made->coreListener_, &coreEvents, made.get());

    const bool capture = spec.direction == PW_DIRECTION_INPUT;
    pw_properties* properties = pw_properties_new(
        PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, capture ? "Capture" : "Playback",
        PW_KEY_MEDIA_ROLE, "Production", PW_KEY_MEDIA_NAME, spec.mediaName.c_str(),
        PW_KEY_MEDIA_ICON_NAME, spec.iconName.c_str(), PW_KEY_APP_NAME,
        server.applicationName().c_str(), PW_KEY_APP_ICON_NAME, server.iconName().c_str(),
        // A stream stays on the device it was linked to: a microphone that
        // goes away ends the take instead of recording another one.
        PW_KEY_NODE_DONT_RECONNECT, capture ? "true" : "false", nullptr);
    // While a take's streams run, the graph's cycle stays as it is: when
    // another client makes it shorter or longer, PipeWire 0.3.65 drops a
    // cycle of a playback stream's frames or plays a gap (its own pw-play
    // does the same), and the voice would slide against the accompaniment.
    pw_properties_set(properties, PW_KEY_NODE_LOCK_QUANTUM, "true");
    if (!spec.target.empty()) pw_properties_set(properties, PW_KEY_TARGET_OBJECT, spec.target.c_str());
    if (spec.latencyFrames > 0) {
        pw_properties_setf(properties, PW_KEY_NODE_LATENCY, "%d/%d", spec.latencyFrames, spec.rate);
    }
    made->stream_ = pw_stream_new(made->core_, spec.name.c_str(), properties);
    if (!made->stream_) {
        error = "no stream could be made (" + Text(errno) + ")";
        return nullptr;
    }
    pw_stream_add_listener(made->stream_, &made->streamListener_, &events, data);

    uint8_t buffer[1024];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
    spa_audio_info_raw info{};
    info.format = SPA_AUDIO_FORMAT_S16_LE;
    info.rate = static_cast<uint32_t>(spec.rate);
    info.channels = static_cast<uint32_t>(spec.channels);
    if (spec.channels == 1) {
        info.position[0] = SPA_AUDIO_CHANNEL_MONO;
    } else if (spec.channels == 2) {
        info.position[0] = SPA_AUDIO_CHANNEL_FL;
        info.position[1] = SPA_AUDIO_CHANNEL_FR;
    } else {
        info.flags = SPA_AUDIO_FLAG_UNPOSITIONED;
    }
    const spa_pod* params[1] = {spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &info)};
    const auto flags = static_cast<pw_stream_flags>(
        PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS | PW_STREAM_FLAG_INACTIVE);
    const int connected = pw_stream_connect(made->stream_, spec.direction, PW_ID_ANY, flags, params, 1);
    if (connected < 0) {
        error = "the stream could not be connected (" + Text(connected) + ")";
        return nullptr;
    }
    return made;
}

PipeWireStream::~PipeWireStream() {
    // Nothing of the stream calls its owner from here on.
    if (stream_) spa_hook_remove(&streamListener_);
    if (core_) spa_hook_remove(&coreListener_);
    if (!stream_ && !core_) return;
    pw_loop* loop = pw_thread_loop_get_loop(server_->loop());
    server_->runOnLoop([loop, stream = stream_, core = core_] {
        if (stream) {
            pw_stream_disconnect(stream);
            // The data thread may have queued process or drained calls of
            // this stream for the loop just before it stopped (PipeWire
            // 0.3.65 leaves them queued): they run now, while it exists.
            pw_loop_invoke(loop, nullptr, 0, nullptr, 0, false, nullptr);
            pw_stream_destroy(stream);
        }
        if (core) pw_core_disconnect(core);
    });
}

pw_stream_state PipeWireStream::state() const {
    return pw_stream_get_state(stream_, nullptr);
}

bool PipeWireStream::ready() const {
    const pw_stream_state now = state();
    return !broken_ && (now == PW_STREAM_STATE_PAUSED || now == PW_STREAM_STATE_STREAMING);
}

bool PipeWireStream::waitReady(PipeWireServer& server, SoundTime deadline) const {
    return server.waitUntil(deadline,
                            [this] { return ready() || broken_ || state() == PW_STREAM_STATE_ERROR; });
}

void PipeWireStream::CoreError(void* data, uint32_t id, int, int res, const char*) {
    auto* stream = static_cast<PipeWireStream*>(data);
    if (id == PW_ID_CORE && res == -EPIPE) {
        if (!stream->broken_ && stream->brokeOff_) stream->brokeOff_();
        stream->broken_ = true;
        stream->server_->signal();
    }
}

std::optional<pw_time> StreamTime(pw_stream* stream) {
    pw_time time{};
    if (pw_stream_get_time_n(stream, &time, sizeof time) < 0 || time.rate.denom == 0) {
        return std::nullopt;
    }
    // A driver that keeps no clock of its own (a test tone) leaves the
    // cycle's moment out: the moment of this call, early in the cycle,
    // stands in.
    if (time.now == 0) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        time.now = SPA_TIMESPEC_TO_NSEC(&now);
    }
    return time;
}

}  // namespace platform
