#include "platform/PulseRecordStream.h"

namespace platform {

::Failure LiveStreamFailure(int number, const std::string& what) {
    const PulseError error = MakePulseError(number, what);
    return {FailureCause::NoSound, QString::fromStdString(error.text), FailureNotice::Simple,
            error.number};
}

Result<PulseStreamPtr> ConnectRecordStream(PulseServer& server, const RecordStreamShape& shape,
                                           SoundTime deadline,
                                           const RecordStreamCallbacks& callbacks) {
    PulseError error;
    pa_context* context = server.connect(deadline, error);
    if (!context) return LiveStreamFailure(error.number, error.text);
    PulseProplistPtr properties(pa_proplist_new());
    pa_proplist_sets(properties.get(), PA_PROP_MEDIA_ROLE, "production");
    pa_proplist_sets(properties.get(), PA_PROP_MEDIA_NAME, shape.mediaName);
    PulseStreamPtr stream(
        pa_stream_new_with_proplist(context, shape.mediaName, &shape.spec, nullptr,
                                    properties.get()),
        PulseStreamCloser{server.loop()});
    if (!stream) {
        return LiveStreamFailure(pa_context_errno(context), "no record stream could be made");
    }
    pa_stream_set_state_callback(stream.get(), callbacks.stateChanged, callbacks.userdata);
    pa_stream_set_read_callback(stream.get(), callbacks.readArrived, callbacks.userdata);
    pa_buffer_attr buffer{};
    buffer.maxlength = static_cast<uint32_t>(-1);
    buffer.tlength = buffer.prebuf = buffer.minreq = static_cast<uint32_t>(-1);
    buffer.fragsize = static_cast<uint32_t>(
        pa_usec_to_bytes(static_cast<pa_usec_t>(shape.fragmentMs) * 1000, &shape.spec));
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY |
                                                      PA_STREAM_DONT_MOVE);
    const char* device = shape.source.empty() ? nullptr : shape.source.c_str();
    if (pa_stream_connect_record(stream.get(), device, &buffer, flags) < 0) {
        return LiveStreamFailure(pa_context_errno(context), "the input device could not be opened");
    }
    pa_stream* raw = stream.get();
    const bool settled = server.waitUntil(deadline, [raw] {
        const pa_stream_state_t state = pa_stream_get_state(raw);
        return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
    });
    if (pa_stream_get_state(raw) == PA_STREAM_READY) return stream;
    stream.reset();
    if (!settled) {
        server.disconnect();
        return LiveStreamFailure(PA_ERR_TIMEOUT, "the sound server did not answer");
    }
    const int number = pa_context_errno(context);
    return LiveStreamFailure(number, number == PA_ERR_NOENTITY
                                         ? "there is no such input device"
                                         : "the input device could not be opened");
}

}  // namespace platform
