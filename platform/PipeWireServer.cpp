#include "platform/PipeWireServer.h"

#include <cerrno>
#include <cstring>
#include <mutex>

namespace platform {
namespace {

// pw_init and pw_deinit count their callers themselves; this keeps the
// library loaded for the program's lifetime once any server object made it.
void InitOnce() {
    static std::once_flag once;
    std::call_once(once, [] { pw_init(nullptr, nullptr); });
}

}  // namespace

void PipeWireLoopCloser::operator()(pw_thread_loop* loop) const {
    pw_thread_loop_stop(loop);
    pw_thread_loop_destroy(loop);
}

PipeWireServer::PipeWireServer(std::string applicationName, std::string iconName)
    : applicationName_(std::move(applicationName)), iconName_(std::move(iconName)) {
    InitOnce();
    loop_.reset(pw_thread_loop_new("tavimo-sound", nullptr));
    if (!loop_) return;
    pw_properties* properties = pw_properties_new(PW_KEY_APP_NAME, applicationName_.c_str(),
                                                  PW_KEY_APP_ICON_NAME, iconName_.c_str(), nullptr);
    pw_loop* loop = pw_thread_loop_get_loop(loop_.get());
    context_.reset(pw_context_new(loop, properties, 0));
    if (context_) jobEvent_ = pw_loop_add_event(loop, RunJobs, this);
    if (!context_ || !jobEvent_ || pw_thread_loop_start(loop_.get()) < 0) {
        if (jobEvent_) pw_loop_destroy_source(loop, jobEvent_);
        jobEvent_ = nullptr;
        context_.reset();
        loop_.reset();
    }
}

PipeWireServer::~PipeWireServer() {
    // The loop thread stops before the context it runs on goes; what it
    // had still to do runs here, where nothing else runs any more.
    if (loop_) {
        pw_thread_loop_stop(loop_.get());
        RunJobs(this, 0);
        pw_loop_destroy_source(pw_thread_loop_get_loop(loop_.get()), jobEvent_);
    }
    context_.reset();
    loop_.reset();
}

PipeWireServer::Lock::Lock(PipeWireServer& server) : loop_(server.loop_.get()) {
    if (loop_) pw_thread_loop_lock(loop_);
}

PipeWireServer::Lock::~Lock() {
    if (loop_) pw_thread_loop_unlock(loop_);
}

pw_core* PipeWireServer::connect(std::string& error) {
    if (!context_) {
        error = "the sound system could not be set up";
        return nullptr;
    }
    pw_core* core = pw_context_connect(context_.get(), nullptr, 0);
    if (!core) error = std::string("there is no sound server (") + std::strerror(errno) + ")";
    return core;
}

bool PipeWireServer::waitUntil(SoundTime deadline, const std::function<bool()>& done) {
    while (!done()) {
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
            deadline - SoundClock::now());
        if (left.count() <= 0 || !loop_) return false;
        timespec until{};
        pw_thread_loop_get_time(loop_.get(), &until, left.count());
        pw_thread_loop_timed_wait_full(loop_.get(), &until);
    }
    return true;
}

void PipeWireServer::signal() {
    if (loop_) pw_thread_loop_signal(loop_.get(), false);
}

void PipeWireServer::runOnLoop(std::function<void()> work) {
    if (!loop_ || pw_thread_loop_in_thread(loop_.get())) {
        work();
        return;
    }
    jobs_.push_back(std::move(work));
    const uint64_t ticket = ++jobsQueued_;
    pw_loop_signal_event(pw_thread_loop_get_loop(loop_.get()), jobEvent_);
    waitUntil(SoundClock::now() + std::chrono::seconds(1), [&] { return jobsDone_ >= ticket; });
}

void PipeWireServer::RunJobs(void* data, uint64_t) {
    auto* server = static_cast<PipeWireServer*>(data);
    while (!server->jobs_.empty()) {
        const std::function<void()> job = std::move(server->jobs_.front());
        server->jobs_.pop_front();
        job();
        ++server->jobsDone_;
    }
    server->signal();
}

bool PipeWireServerListens() {
    InitOnce();
    // Connecting needs no loop thread: the socket answers or not at once.
    pw_main_loop* loop = pw_main_loop_new(nullptr);
    if (!loop) return false;
    bool listens = false;
    if (pw_context* context = pw_context_new(pw_main_loop_get_loop(loop), nullptr, 0)) {
        if (pw_core* core = pw_context_connect(context, nullptr, 0)) {
            listens = true;
            pw_core_disconnect(core);
        }
        pw_context_destroy(context);
    }
    pw_main_loop_destroy(loop);
    return listens;
}

}  // namespace platform
