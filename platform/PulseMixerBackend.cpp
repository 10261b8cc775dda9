#include "platform/PulseMixerBackend.h"

#include <QObject>
#include <algorithm>
#include <chrono>
#include <map>

#include "platform/PulseHandles.h"

namespace platform {
namespace {

constexpr MixerControlId kMuteControl = 1;
constexpr MixerControlId kVolumeControl = 2;
constexpr MixerControlId kPortListControl = 3;
using Clock = std::chrono::steady_clock;

pa_volume_t ToPulseVolume(uint32_t value) {
    value = std::min(value, kMixerVolumeMax);
    return static_cast<pa_volume_t>((uint64_t{value} * PA_VOLUME_NORM + kMixerVolumeMax / 2) /
                                    kMixerVolumeMax);
}

uint32_t FromPulseVolume(pa_volume_t volume) {
    const uint64_t value =
        (uint64_t{volume} * kMixerVolumeMax + PA_VOLUME_NORM / 2) / PA_VOLUME_NORM;
    return static_cast<uint32_t>(std::min<uint64_t>(value, kMixerVolumeMax));
}

// An answer the UI thread waits for; the callback that fills it wakes it.
struct Reply {
    PulseServer* server = nullptr;
    bool done = false;
    void finish() {
        done = true;
        server->signal();
    }
};

// What one device (a source or a sink) looks like at the moment it is asked.
struct DeviceInfo : Reply {
    bool found = false;
    uint32_t index = PA_INVALID_INDEX;
    std::string name;
    pa_cvolume volume{};
    bool mute = false;
    std::vector<std::string> portNames;
    std::vector<std::string> portDescriptions;
    std::string activePort;
};

template <typename Info>
void FillDevice(const Info* info, int eol, void* userdata) {
    auto* device = static_cast<DeviceInfo*>(userdata);
    if (eol != 0 || info == nullptr) {
        device->finish();
        return;
    }
    device->found = true;
    device->index = info->index;
    device->name = info->name ? info->name : "";
    device->volume = info->volume;
    device->mute = info->mute != 0;
    device->portNames.clear();
    device->portDescriptions.clear();
    for (uint32_t i = 0; i < info->n_ports; ++i) {
        const auto* port = info->ports[i];
        device->portNames.push_back(port->name ? port->name : "");
        device->portDescriptions.push_back(
            port->description && *port->description ? port->description : device->portNames.back());
    }
    device->activePort =
        info->active_port && info->active_port->name ? info->active_port->name : "";
}

void SourceInfoArrived(pa_context*, const pa_source_info* info, int eol, void* userdata) {
    FillDevice(info, eol, userdata);
}
void SinkInfoArrived(pa_context*, const pa_sink_info* info, int eol, void* userdata) {
    FillDevice(info, eol, userdata);
}

struct ServerNames : Reply {
    std::string defaultSource;
    std::string defaultSink;
};
void ServerInfoArrived(pa_context*, const pa_server_info* info, void* userdata) {
    auto* names = static_cast<ServerNames*>(userdata);
    if (info) {
        names->defaultSource = info->default_source_name ? info->default_source_name : "";
        names->defaultSink = info->default_sink_name ? info->default_sink_name : "";
    }
    names->finish();
}

struct Outcome : Reply {
    bool success = false;
};
void OperationFinished(pa_context*, int success, void* userdata) {
    auto* outcome = static_cast<Outcome*>(userdata);
    outcome->success = success != 0;
    outcome->finish();
}

}  // namespace

struct PulseMixerBackend::Impl {
    struct Line {
        MixerLineKind kind;
        uint32_t index;
        ChangeHandler onChange;
    };

    explicit Impl(std::shared_ptr<PulseServer> shared) : server(std::move(shared)) {}

    std::shared_ptr<PulseServer> server;
    // Written on the UI thread with the loop's lock held; the loop thread
    // reads it when a change arrives.
    std::map<MixerHandle, Line> lines;
    MixerHandle lastHandle = 0;
    Clock::time_point retryAfter{};
    QObject receiver;  // queued deliveries die with it

    // Lock held. The connection to ask, made first when `connect` is set.
    // A server that let us wait in vain is not asked again for a while, so
    // that the look-ups of one Open do not each wait for it.
    pa_context* context(bool connect) {
        if (Clock::now() < retryAfter) return nullptr;
        if (!connect) return server->readyContext();
        PulseError error;
        pa_context* ready =
            server->connect(Clock::now() + std::chrono::milliseconds(kServerWaitMs), error);
        if (!ready && error.number == PA_ERR_TIMEOUT) giveUp();
        return ready;
    }

    void giveUp() {
        retryAfter = Clock::now() + std::chrono::milliseconds(kRetryAfterSilenceMs);
        server->disconnect();
    }

    // Lock held. Waits for `started` to end; `done` tells when its callback
    // has run. A server that does not answer in time is given up.
    template <typename Done>
    bool finish(pa_operation* started, Done done) {
        if (!started) return false;
        PulseOperationPtr operation(started, PulseOperationCloser{server->loop()});
        const bool finished =
            server->waitUntil(Clock::now() + std::chrono::milliseconds(kServerWaitMs), [&] {
                return done() || pa_operation_get_state(operation.get()) != PA_OPERATION_RUNNING;
            });
        if (!finished) {
            // The callback's data live on the caller's stack: it must never run now.
            operation.reset();
            giveUp();
            return false;
        }
        return done();
    }

    // Lock held.
    bool query(MixerLineKind kind, uint32_t index, const std::string& name, DeviceInfo& device) {
        pa_context* ready = context(false);
        if (!ready) return false;
        device.server = server.get();
        pa_operation* operation = nullptr;
        if (kind == MixerLineKind::Recording) {
            operation = name.empty() ? pa_context_get_source_info_by_index(
                                           ready, index, SourceInfoArrived, &device)
                                     : pa_context_get_source_info_by_name(
                                           ready, name.c_str(), SourceInfoArrived, &device);
        } else {
            operation = name.empty() ? pa_context_get_sink_info_by_index(ready, index,
                                                                         SinkInfoArrived, &device)
                                     : pa_context_get_sink_info_by_name(ready, name.c_str(),
                                                                        SinkInfoArrived, &device);
        }
        return finish(operation, [&] { return device.done; }) && device.found;
    }

    bool query(MixerHandle handle, Line*& line, DeviceInfo& device) {
        const auto found = lines.find(handle);
        if (found == lines.end()) return false;
        line = &found->second;
        return query(line->kind, line->index, {}, device);
    }

    // Loop thread.
    void changed(pa_subscription_event_type_t type, uint32_t index) {
        if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) != PA_SUBSCRIPTION_EVENT_CHANGE) return;
        const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        for (const auto& [handle, line] : lines) {
            const bool matches =
                line.index == index &&
                (line.kind == MixerLineKind::Recording ? facility == PA_SUBSCRIPTION_EVENT_SOURCE
                                                       : facility == PA_SUBSCRIPTION_EVENT_SINK);
            if (!matches) continue;
            // On the UI thread, out of libpulse's callback: the handler may
            // read the mixer, or close it.
            const MixerHandle changedHandle = handle;
            QMetaObject::invokeMethod(
                &receiver,
                [this, changedHandle] {
                    const auto line = lines.find(changedHandle);
                    if (line != lines.end() && line->second.onChange) {
                        const ChangeHandler onChange = line->second.onChange;
                        onChange(changedHandle);
                    }
                },
                Qt::QueuedConnection);
        }
    }
};

PulseMixerBackend::PulseMixerBackend(std::shared_ptr<PulseServer> server)
    : impl_(std::make_unique<Impl>(std::move(server))) {}

PulseMixerBackend::~PulseMixerBackend() {
    PulseServer::Lock lock(*impl_->server);
    impl_->server->watch({});
    impl_->lines.clear();
}

bool PulseMixerBackend::watching() const {
    return !impl_->lines.empty() && impl_->server->watching();
}

MixerHandle PulseMixerBackend::openLine(MixerLineKind kind, ChangeHandler onChange) {
    PulseServer::Lock lock(*impl_->server);
    pa_context* context = impl_->context(true);
    if (!context) return 0;
    ServerNames names;
    names.server = impl_->server.get();
    if (!impl_->finish(pa_context_get_server_info(context, ServerInfoArrived, &names),
                       [&] { return names.done; })) {
        return 0;
    }
    const std::string& name =
        kind == MixerLineKind::Recording ? names.defaultSource : names.defaultSink;
    if (name.empty()) return 0;
    DeviceInfo device;
    if (!impl_->query(kind, PA_INVALID_INDEX, name, device)) return 0;

    const MixerHandle handle = ++impl_->lastHandle;
    impl_->lines[handle] = Impl::Line{kind, device.index, std::move(onChange)};
    if (impl_->lines.size() == 1) {
        Impl* impl = impl_.get();
        impl_->server->watch([impl](pa_subscription_event_type_t type, uint32_t index) {
            impl->changed(type, index);
        });
    }
    return handle;
}

void PulseMixerBackend::closeLine(MixerHandle handle) {
    PulseServer::Lock lock(*impl_->server);
    impl_->lines.erase(handle);
    if (impl_->lines.empty()) impl_->server->watch({});
}

bool PulseMixerBackend::describeLine(MixerHandle handle, MixerLine& line) {
    PulseServer::Lock lock(*impl_->server);
    Impl::Line* opened = nullptr;
    DeviceInfo device;
    if (!impl_->query(handle, opened, device)) return false;
    line.channelCount = device.volume.channels;
    line.controls = {{kMuteControl, MixerControlKind::Mute, true, 0},
                     {kVolumeControl, MixerControlKind::Volume, false, 0}};
    if (!device.portNames.empty()) {
        line.controls.push_back({kPortListControl, MixerControlKind::SingleChoiceList, true,
                                 static_cast<int>(device.portNames.size())});
    }
    return true;
}

bool PulseMixerBackend::readValues(MixerHandle handle, MixerControlId control, int channels,
                                   int items, std::vector<uint32_t>& values) {
    PulseServer::Lock lock(*impl_->server);
    Impl::Line* line = nullptr;
    DeviceInfo device;
    if (channels < 1 || !impl_->query(handle, line, device)) return false;
    switch (control) {
        case kMuteControl:
            values.assign(static_cast<size_t>(channels), device.mute ? 1 : 0);
            return true;
        case kVolumeControl:
            if (device.volume.channels == 0) return false;
            values.resize(static_cast<size_t>(channels));
            for (int i = 0; i < channels; ++i) {
                const int from = std::min<int>(i, device.volume.channels - 1);
                values[static_cast<size_t>(i)] = FromPulseVolume(device.volume.values[from]);
            }
            return true;
        case kPortListControl: {
            const int ports = static_cast<int>(device.portNames.size());
            if (items != ports || ports == 0) return false;
            values.assign(static_cast<size_t>(channels * items), 0);
            for (int c = 0; c < channels; ++c) {
                for (int k = 0; k < items; ++k) {
                    values[static_cast<size_t>(c * items + k)] =
                        device.portNames[static_cast<size_t>(k)] == device.activePort ? 1 : 0;
                }
            }
            return true;
        }
        default:
            return false;
    }
}

bool PulseMixerBackend::writeValues(MixerHandle handle, MixerControlId control, int channels,
                                    int items, const std::vector<uint32_t>& values) {
    PulseServer::Lock lock(*impl_->server);
    Impl::Line* line = nullptr;
    DeviceInfo device;
    if (channels < 1 || values.empty() || !impl_->query(handle, line, device)) return false;
    const bool recording = line->kind == MixerLineKind::Recording;
    pa_context* context = impl_->context(false);
    if (!context) return false;
    Outcome outcome;
    outcome.server = impl_->server.get();
    pa_operation* operation = nullptr;
    switch (control) {
        case kMuteControl: {
            const int mute = values[0] != 0 ? 1 : 0;
            operation = recording ? pa_context_set_source_mute_by_index(context, device.index, mute,
                                                                        OperationFinished, &outcome)
                                  : pa_context_set_sink_mute_by_index(context, device.index, mute,
                                                                      OperationFinished, &outcome);
            break;
        }
        case kVolumeControl: {
            // The device's own channel count; the values given fill it from the first.
            pa_cvolume volume = device.volume;
            if (volume.channels == 0) return false;
            for (int i = 0; i < volume.channels; ++i) {
                const size_t from = std::min<size_t>(static_cast<size_t>(i), values.size() - 1);
                volume.values[i] = ToPulseVolume(values[from]);
            }
            operation = recording
                            ? pa_context_set_source_volume_by_index(context, device.index, &volume,
                                                                    OperationFinished, &outcome)
                            : pa_context_set_sink_volume_by_index(context, device.index, &volume,
                                                                  OperationFinished, &outcome);
            break;
        }
        case kPortListControl: {
            // A device has one active port: the first item that is on, as the
            // first channel's list has it. None on changes nothing.
            const int ports = static_cast<int>(device.portNames.size());
            if (items != ports || ports == 0) return false;
            int chosen = -1;
            for (int k = 0; k < items && k < static_cast<int>(values.size()); ++k) {
                if (values[static_cast<size_t>(k)] != 0) {
                    chosen = k;
                    break;
                }
            }
            if (chosen < 0) return false;
            const char* port = device.portNames[static_cast<size_t>(chosen)].c_str();
            operation = recording ? pa_context_set_source_port_by_index(context, device.index, port,
                                                                        OperationFinished, &outcome)
                                  : pa_context_set_sink_port_by_index(context, device.index, port,
                                                                      OperationFinished, &outcome);
            break;
        }
        default:
            return false;
    }
    return impl_->finish(operation, [&] { return outcome.done; }) && outcome.success;
}

bool PulseMixerBackend::readItemNames(MixerHandle handle, MixerControlId control, int channels,
                                      int items, std::vector<std::string>& names) {
    PulseServer::Lock lock(*impl_->server);
    Impl::Line* line = nullptr;
    DeviceInfo device;
    if (control != kPortListControl || channels < 1 || !impl_->query(handle, line, device)) {
        return false;
    }
    if (items != static_cast<int>(device.portDescriptions.size()) || items == 0) return false;
    names.clear();
    for (int c = 0; c < channels; ++c) {
        names.insert(names.end(), device.portDescriptions.begin(), device.portDescriptions.end());
    }
    return true;
}

}  // namespace platform
