#include "platform/PulseSoundSources.h"

#include <algorithm>

#include "platform/PulseRecordStream.h"

namespace platform {
namespace {

struct Reply {
    PulseServer* server = nullptr;
    bool serverDone = false;
    bool sourcesDone = false;
    SoundDeviceList devices;
};

void ServerInfoArrived(pa_context*, const pa_server_info* info, void* userdata) {
    auto* reply = static_cast<Reply*>(userdata);
    if (info) {
        if (info->default_source_name) reply->devices.defaultSource = info->default_source_name;
        if (info->default_sink_name) reply->devices.defaultSink = info->default_sink_name;
    }
    reply->serverDone = true;
    reply->server->signal();
}

void SourceArrived(pa_context*, const pa_source_info* info, int eol, void* userdata) {
    auto* reply = static_cast<Reply*>(userdata);
    if (eol == 0 && info) {
        if (info->monitor_of_sink == PA_INVALID_INDEX) {
            reply->devices.microphones.push_back(
                {info->name, info->description ? info->description : info->name});
        }
        return;
    }
    reply->sourcesDone = true;
    reply->server->signal();
}

}  // namespace

PulseSoundSources::PulseSoundSources(std::shared_ptr<PulseServer> server)
    : server_(std::move(server)), receiver_(std::make_unique<QObject>()) {}

PulseSoundSources::~PulseSoundSources() {
    PulseServer::Lock lock(*server_);
    server_->removeWatcher(watcher_);
}

Result<SoundDeviceList> PulseSoundSources::list() {
    const SoundTime deadline = SoundClock::now() + kQueryLimit;
    PulseServer::Lock lock(*server_);
    PulseError error;
    pa_context* context = server_->connect(deadline, error);
    if (!context) return LiveStreamFailure(error.number, error.text);
    Reply reply;
    reply.server = server_.get();
    const PulseOperationCloser closer{server_->loop()};
    PulseOperationPtr serverQuery(pa_context_get_server_info(context, ServerInfoArrived, &reply),
                                  closer);
    PulseOperationPtr sourceQuery(
        pa_context_get_source_info_list(context, SourceArrived, &reply), closer);
    if (!serverQuery || !sourceQuery ||
        !server_->waitUntil(deadline, [&reply] { return reply.serverDone && reply.sourcesDone; })) {
        return LiveStreamFailure(PA_ERR_TIMEOUT, "the sound server did not list its devices");
    }
    auto& microphones = reply.devices.microphones;
    const auto isDefault = [&](const SoundSource& s) { return s.name == reply.devices.defaultSource; };
    std::stable_partition(microphones.begin(), microphones.end(), isDefault);
    return std::move(reply.devices);
}

void PulseSoundSources::watch(ChangeHandler handler) {
    handler_ = std::move(handler);
    PulseServer::Lock lock(*server_);
    server_->removeWatcher(watcher_);
    watcher_ = 0;
    if (!handler_) return;
    PulseError error;
    // A server that comes later is watched from its connection on.
    (void)server_->connect(SoundClock::now() + kQueryLimit, error);
    watcher_ = server_->addWatcher([this](pa_subscription_event_type_t type, uint32_t) {
        const auto kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
        const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        // Volume changes of a device come often and change nothing here.
        if (facility != PA_SUBSCRIPTION_EVENT_SERVER && kind == PA_SUBSCRIPTION_EVENT_CHANGE) return;
        changed();
    });
}

void PulseSoundSources::changed() {
    if (posted_.exchange(true)) return;
    QMetaObject::invokeMethod(
        receiver_.get(),
        [this] {
            posted_ = false;
            if (handler_) handler_();
        },
        Qt::QueuedConnection);
}

}  // namespace platform
