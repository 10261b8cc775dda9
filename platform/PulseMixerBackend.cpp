#include "platform/PulseMixerBackend.h"

#include <pulse/glib-mainloop.h>
#include <pulse/pulseaudio.h>

#include <QObject>
#include <algorithm>
#include <chrono>
#include <map>

namespace platform {
namespace {

constexpr MixerControlId kMuteControl = 1;
constexpr MixerControlId kVolumeControl = 2;
constexpr MixerControlId kPortListControl = 3;
constexpr const char* kClientName = "Tavimo";
using Clock = std::chrono::steady_clock;
constexpr auto kRetryAfterSilence = std::chrono::seconds(10);

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

struct ContextDeleter {
    void operator()(pa_context* context) const {
        pa_context_set_state_callback(context, nullptr, nullptr);
        pa_context_set_subscribe_callback(context, nullptr, nullptr);
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
};
struct MainloopDeleter {
    void operator()(pa_mainloop* loop) const { pa_mainloop_free(loop); }
};
struct GlibMainloopDeleter {
    void operator()(pa_glib_mainloop* loop) const { pa_glib_mainloop_free(loop); }
};
struct OperationDeleter {
    void operator()(pa_operation* operation) const { pa_operation_unref(operation); }
};
using ContextPtr = std::unique_ptr<pa_context, ContextDeleter>;
using OperationPtr = std::unique_ptr<pa_operation, OperationDeleter>;

// What one device (a source or a sink) looks like at the moment it is asked.
struct DeviceInfo {
    bool done = false;
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
        device->done = true;
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

struct ServerNames {
    bool done = false;
    std::string defaultSource;
    std::string defaultSink;
};
void ServerInfoArrived(pa_context*, const pa_server_info* info, void* userdata) {
    auto* names = static_cast<ServerNames*>(userdata);
    if (info) {
        names->defaultSource = info->default_source_name ? info->default_source_name : "";
        names->defaultSink = info->default_sink_name ? info->default_sink_name : "";
    }
    names->done = true;
}

struct Outcome {
    bool done = false;
    bool success = false;
};
void OperationFinished(pa_context*, int success, void* userdata) {
    auto* outcome = static_cast<Outcome*>(userdata);
    outcome->success = success != 0;
    outcome->done = true;
}

// The connection that reads and writes, driven by its own main loop so that
// waiting for an answer runs nothing else of the program.
class ControlConnection {
public:
    ~ControlConnection() { disconnect(); }

    bool ready() const {
        return context_ && pa_context_get_state(context_.get()) == PA_CONTEXT_READY;
    }

    bool connect() {
        if (ready()) return true;
        disconnect();
        // A server that let us wait in vain is not asked again for a while,
        // so that the look-ups of one Open do not each wait for it.
        if (Clock::now() < retryAfter_) return false;
        loop_.reset(pa_mainloop_new());
        if (!loop_) return false;
        context_.reset(pa_context_new(pa_mainloop_get_api(loop_.get()), kClientName));
        if (!context_ ||
            pa_context_connect(context_.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            disconnect();
            return false;
        }
        const bool up = iterateUntil([this] {
            const pa_context_state_t state = pa_context_get_state(context_.get());
            return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
        });
        if (!up || !ready()) {
            if (!up) retryAfter_ = Clock::now() + kRetryAfterSilence;
            disconnect();
            return false;
        }
        return true;
    }

    void disconnect() {
        context_.reset();
        loop_.reset();
    }

    pa_context* context() const { return context_.get(); }

    // Waits for `operation` to end; `done` tells when its callback has run.
    // A server that does not answer in time is given up.
    template <typename Done>
    bool finish(pa_operation* started, Done done) {
        if (!started) return false;
        OperationPtr operation(started);
        const bool finished = iterateUntil([&] {
            return done() || pa_operation_get_state(operation.get()) != PA_OPERATION_RUNNING;
        });
        if (!finished) {
            // The callback's data live on the caller's stack: it must never run now.
            pa_operation_cancel(operation.get());
            operation.reset();
            retryAfter_ = Clock::now() + kRetryAfterSilence;
            disconnect();
            return false;
        }
        return done();
    }

private:
    template <typename Done>
    bool iterateUntil(Done done) {
        const auto deadline =
            Clock::now() + std::chrono::milliseconds(PulseMixerBackend::kServerWaitMs);
        while (!done()) {
            const auto left =
                std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
            if (left.count() <= 0) return false;
            if (pa_mainloop_prepare(loop_.get(), static_cast<int>(left.count())) < 0 ||
                pa_mainloop_poll(loop_.get()) < 0 || pa_mainloop_dispatch(loop_.get()) < 0) {
                return false;
            }
        }
        return true;
    }

    std::unique_ptr<pa_mainloop, MainloopDeleter> loop_;
    ContextPtr context_;
    Clock::time_point retryAfter_{};
};

}  // namespace

struct PulseMixerBackend::Impl {
    struct Line {
        MixerLineKind kind;
        uint32_t index;
        ChangeHandler onChange;
    };

    ControlConnection control;
    std::map<MixerHandle, Line> lines;
    MixerHandle lastHandle = 0;

    // Change notifications.
    std::unique_ptr<pa_glib_mainloop, GlibMainloopDeleter> glibLoop;
    ContextPtr watcher;
    bool watching = false;
    QObject receiver;  // queued deliveries die with it

    bool query(MixerLineKind kind, uint32_t index, const std::string& name, DeviceInfo& device) {
        if (!control.ready()) return false;
        pa_operation* operation = nullptr;
        if (kind == MixerLineKind::Recording) {
            operation = name.empty()
                            ? pa_context_get_source_info_by_index(control.context(), index,
                                                                  SourceInfoArrived, &device)
                            : pa_context_get_source_info_by_name(control.context(), name.c_str(),
                                                                 SourceInfoArrived, &device);
        } else {
            operation = name.empty()
                            ? pa_context_get_sink_info_by_index(control.context(), index,
                                                                SinkInfoArrived, &device)
                            : pa_context_get_sink_info_by_name(control.context(), name.c_str(),
                                                               SinkInfoArrived, &device);
        }
        return control.finish(operation, [&] { return device.done; }) && device.found;
    }

    bool query(MixerHandle handle, Line*& line, DeviceInfo& device) {
        const auto found = lines.find(handle);
        if (found == lines.end()) return false;
        line = &found->second;
        return query(line->kind, line->index, {}, device);
    }

    void startWatching() {
        if (watcher) return;
        glibLoop.reset(pa_glib_mainloop_new(nullptr));
        if (!glibLoop) return;
        watcher.reset(pa_context_new(pa_glib_mainloop_get_api(glibLoop.get()), kClientName));
        if (!watcher) return;
        pa_context_set_state_callback(watcher.get(), WatcherStateChanged, this);
        if (pa_context_connect(watcher.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            stopWatching();
        }
    }

    void stopWatching() {
        watching = false;
        watcher.reset();
        glibLoop.reset();
    }

    static void WatcherStateChanged(pa_context* context, void* userdata) {
        auto* impl = static_cast<Impl*>(userdata);
        const pa_context_state_t state = pa_context_get_state(context);
        if (state == PA_CONTEXT_READY) {
            pa_context_set_subscribe_callback(context, EventArrived, impl);
            pa_operation* operation =
                pa_context_subscribe(context,
                                     static_cast<pa_subscription_mask_t>(
                                         PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SINK),
                                     Subscribed, impl);
            if (operation) pa_operation_unref(operation);
        } else if (!PA_CONTEXT_IS_GOOD(state)) {
            impl->watching = false;
        }
    }

    static void Subscribed(pa_context*, int success, void* userdata) {
        static_cast<Impl*>(userdata)->watching = success != 0;
    }

    static void EventArrived(pa_context*, pa_subscription_event_type_t type, uint32_t index,
                             void* userdata) {
        auto* impl = static_cast<Impl*>(userdata);
        if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) != PA_SUBSCRIPTION_EVENT_CHANGE) return;
        const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        for (const auto& [handle, line] : impl->lines) {
            const bool matches =
                line.index == index &&
                (line.kind == MixerLineKind::Recording ? facility == PA_SUBSCRIPTION_EVENT_SOURCE
                                                       : facility == PA_SUBSCRIPTION_EVENT_SINK);
            if (!matches) continue;
            // Out of libpulse's callback first: the handler may read the
            // mixer, or close it.
            const MixerHandle changed = handle;
            QMetaObject::invokeMethod(
                &impl->receiver,
                [impl, changed] {
                    const auto line = impl->lines.find(changed);
                    if (line != impl->lines.end() && line->second.onChange) {
                        const ChangeHandler onChange = line->second.onChange;
                        onChange(changed);
                    }
                },
                Qt::QueuedConnection);
        }
    }
};

PulseMixerBackend::PulseMixerBackend() : impl_(std::make_unique<Impl>()) {}

PulseMixerBackend::~PulseMixerBackend() {
    impl_->stopWatching();
    impl_->control.disconnect();
}

bool PulseMixerBackend::watching() const { return impl_->watching; }

MixerHandle PulseMixerBackend::openLine(MixerLineKind kind, ChangeHandler onChange) {
    if (!impl_->control.connect()) return 0;
    ServerNames names;
    if (!impl_->control.finish(
            pa_context_get_server_info(impl_->control.context(), ServerInfoArrived, &names),
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
    impl_->startWatching();
    return handle;
}

void PulseMixerBackend::closeLine(MixerHandle handle) {
    impl_->lines.erase(handle);
    if (impl_->lines.empty()) {
        impl_->stopWatching();
        impl_->control.disconnect();
    }
}

bool PulseMixerBackend::describeLine(MixerHandle handle, MixerLine& line) {
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
    Impl::Line* line = nullptr;
    DeviceInfo device;
    if (channels < 1 || values.empty() || !impl_->query(handle, line, device)) return false;
    const bool recording = line->kind == MixerLineKind::Recording;
    pa_context* context = impl_->control.context();
    Outcome outcome;
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
    return impl_->control.finish(operation, [&] { return outcome.done; }) && outcome.success;
}

bool PulseMixerBackend::readItemNames(MixerHandle handle, MixerControlId control, int channels,
                                      int items, std::vector<std::string>& names) {
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
