#include "platform/PulseServer.h"

#include <algorithm>

namespace platform {
namespace {

void WaitTimerFired(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(userdata), 0);
}

}  // namespace

PulseError MakePulseError(int number, const std::string& what) {
    return {number, what + " (" + pa_strerror(number) + ")"};
}

PulseServer::Lock::Lock(PulseServer& server) : loop_(server.loop()) {
    if (loop_) pa_threaded_mainloop_lock(loop_);
}

PulseServer::Lock::~Lock() {
    if (loop_) pa_threaded_mainloop_unlock(loop_);
}

PulseServer::PulseServer(PulseClientIdentity identity) : identity_(std::move(identity)) {
    loop_.reset(pa_threaded_mainloop_new());
    if (!loop_) return;
    pa_threaded_mainloop_set_name(loop_.get(), "tavimo-sound");
    if (pa_threaded_mainloop_start(loop_.get()) < 0) loop_.reset();
}

PulseServer::~PulseServer() {
    Lock lock(*this);
    context_.reset();
}

pa_context* PulseServer::connect(SoundTime deadline, PulseError& error) {
    if (!loop_) {
        error = MakePulseError(PA_ERR_INTERNAL, "the sound thread could not be started");
        return nullptr;
    }
    if (context_ && !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_.get()))) {
        // The server went away since: start over.
        context_.reset();
        watching_ = false;
    }
    if (!context_) {
        PulseProplistPtr properties(pa_proplist_new());
        pa_proplist_sets(properties.get(), PA_PROP_APPLICATION_NAME, identity_.name.c_str());
        pa_proplist_sets(properties.get(), PA_PROP_APPLICATION_ICON_NAME,
                         identity_.iconName.c_str());
        pa_proplist_sets(properties.get(), PA_PROP_APPLICATION_ID, identity_.iconName.c_str());
        context_ =
            PulseContextPtr(pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_.get()),
                                                         identity_.name.c_str(), properties.get()),
                            PulseContextCloser{loop_.get()});
        if (!context_) {
            error = MakePulseError(PA_ERR_INTERNAL, "no connection to the sound server");
            return nullptr;
        }
        pa_context_set_state_callback(context_.get(), ContextStateChanged, this);
        if (pa_context_connect(context_.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            error = MakePulseError(pa_context_errno(context_.get()),
                                   "no sound server could be reached");
            context_.reset();
            return nullptr;
        }
    }
    const bool settled = waitUntil(deadline, [this] {
        const pa_context_state_t state = pa_context_get_state(context_.get());
        return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
    });
    if (pa_context_get_state(context_.get()) == PA_CONTEXT_READY) return context_.get();
    error = settled ? MakePulseError(pa_context_errno(context_.get()),
                                     "no sound server could be reached")
                    : MakePulseError(PA_ERR_TIMEOUT, "the sound server did not answer");
    disconnect();
    return nullptr;
}

pa_context* PulseServer::readyContext() const {
    return context_ && pa_context_get_state(context_.get()) == PA_CONTEXT_READY ? context_.get()
                                                                                : nullptr;
}

void PulseServer::disconnect() {
    context_.reset();
    watching_ = false;
}

bool PulseServer::waitUntil(SoundTime deadline, const std::function<bool()>& done) {
    if (done()) return true;
    if (!loop_ || SoundClock::now() >= deadline) return false;
    // The loop wakes us at the deadline: its timers run on the wall clock.
    const auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(deadline - SoundClock::now());
    timeval when{};
    pa_gettimeofday(&when);
    pa_timeval_add(&when, static_cast<pa_usec_t>(std::max<int64_t>(left.count(), 0)));
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_.get());
    pa_time_event* timer = api->time_new(api, &when, WaitTimerFired, loop_.get());
    while (!done() && SoundClock::now() < deadline) pa_threaded_mainloop_wait(loop_.get());
    if (timer) api->time_free(timer);
    return done();
}

void PulseServer::signal() {
    if (loop_) pa_threaded_mainloop_signal(loop_.get(), 0);
}

void PulseServer::watch(EventHandler handler) {
    if (handler) {
        eventHandlers_[0] = std::move(handler);
    } else {
        eventHandlers_.erase(0);
    }
    if (eventHandlers_.empty()) {
        watching_ = false;
        return;
    }
    if (context_ && pa_context_get_state(context_.get()) == PA_CONTEXT_READY) subscribe();
}

int PulseServer::addWatcher(EventHandler handler) {
    const int id = ++lastWatcher_;
    eventHandlers_[id] = std::move(handler);
    if (context_ && pa_context_get_state(context_.get()) == PA_CONTEXT_READY) subscribe();
    return id;
}

void PulseServer::removeWatcher(int id) {
    if (id == 0) return;
    eventHandlers_.erase(id);
    if (eventHandlers_.empty()) watching_ = false;
}

void PulseServer::subscribe() {
    pa_context_set_subscribe_callback(context_.get(), EventArrived, this);
    ForgetOperation(
        pa_context_subscribe(context_.get(),
                             static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SOURCE |
                                                                 PA_SUBSCRIPTION_MASK_SINK |
                                                                 PA_SUBSCRIPTION_MASK_SERVER),
                             Subscribed, this));
}

void PulseServer::ContextStateChanged(pa_context* context, void* userdata) {
    auto* server = static_cast<PulseServer*>(userdata);
    const pa_context_state_t state = pa_context_get_state(context);
    if (state == PA_CONTEXT_READY && !server->eventHandlers_.empty()) server->subscribe();
    if (!PA_CONTEXT_IS_GOOD(state)) server->watching_ = false;
    server->signal();
}

void PulseServer::EventArrived(pa_context*, pa_subscription_event_type_t type, uint32_t index,
                               void* userdata) {
    auto* server = static_cast<PulseServer*>(userdata);
    for (const auto& [id, handler] : server->eventHandlers_) handler(type, index);
}

void PulseServer::Subscribed(pa_context*, int success, void* userdata) {
    auto* server = static_cast<PulseServer*>(userdata);
    server->watching_ = success != 0 && !server->eventHandlers_.empty();
    server->signal();
}

}  // namespace platform
