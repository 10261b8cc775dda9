#include "platform/PulseHandles.h"

namespace platform {

PulseLoopLock::PulseLoopLock(pa_threaded_mainloop* loop) {
    if (loop && !pa_threaded_mainloop_in_thread(loop)) {
        loop_ = loop;
        pa_threaded_mainloop_lock(loop_);
    }
}

PulseLoopLock::~PulseLoopLock() {
    if (loop_) pa_threaded_mainloop_unlock(loop_);
}

void PulseLoopCloser::operator()(pa_threaded_mainloop* loop) const {
    pa_threaded_mainloop_stop(loop);
    pa_threaded_mainloop_free(loop);
}

void PulseContextCloser::operator()(pa_context* context) const {
    PulseLoopLock lock(loop);
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_set_subscribe_callback(context, nullptr, nullptr);
    pa_context_set_event_callback(context, nullptr, nullptr);
    pa_context_disconnect(context);
    pa_context_unref(context);
}

void PulseStreamCloser::operator()(pa_stream* stream) const {
    PulseLoopLock lock(loop);
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_read_callback(stream, nullptr, nullptr);
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    pa_stream_set_latency_update_callback(stream, nullptr, nullptr);
    pa_stream_set_underflow_callback(stream, nullptr, nullptr);
    pa_stream_set_overflow_callback(stream, nullptr, nullptr);
    pa_stream_set_started_callback(stream, nullptr, nullptr);
    pa_stream_set_moved_callback(stream, nullptr, nullptr);
    pa_stream_set_suspended_callback(stream, nullptr, nullptr);
    pa_stream_set_event_callback(stream, nullptr, nullptr);
    pa_stream_set_buffer_attr_callback(stream, nullptr, nullptr);
    // A stream still being created cannot be disconnected; it goes with its
    // context, which is dropped when the server does not answer.
    if (pa_stream_get_state(stream) == PA_STREAM_READY) pa_stream_disconnect(stream);
    pa_stream_unref(stream);
}

void PulseOperationCloser::operator()(pa_operation* operation) const {
    PulseLoopLock lock(loop);
    if (pa_operation_get_state(operation) == PA_OPERATION_RUNNING) pa_operation_cancel(operation);
    pa_operation_unref(operation);
}

}  // namespace platform
