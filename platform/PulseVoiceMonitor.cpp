#include "platform/PulseVoiceMonitor.h"

#include <algorithm>
#include <cmath>

#include "platform/PulseRecordStream.h"

namespace platform {
namespace {

constexpr pa_sample_spec kSpec{PA_SAMPLE_S16LE, PulseVoiceMonitor::kRateHz, 1};

uint32_t Bytes(int ms) {
    return static_cast<uint32_t>(pa_usec_to_bytes(static_cast<pa_usec_t>(ms) * 1000, &kSpec));
}

}  // namespace

PulseVoiceMonitor::PulseVoiceMonitor(std::shared_ptr<PulseServer> server)
    : server_(std::move(server)), receiver_(std::make_unique<QObject>()) {}

PulseVoiceMonitor::~PulseVoiceMonitor() { stop(); }

void PulseVoiceMonitor::setGain(double gain) {
    gain_ = static_cast<float>(std::clamp(gain, 0.0, 1.0));
}

Status PulseVoiceMonitor::start(const std::string& source, double gain) {
    stop();
    setGain(gain);
    const SoundTime deadline = SoundClock::now() + kSetUpLimit;
    PulseServer::Lock lock(*server_);
    failurePosted_ = false;
    ++generation_;
    PulseError error;
    pa_context* context = server_->connect(deadline, error);
    if (!context) return LiveStreamFailure(error.number, error.text);

    // The speakers' side first, so that the first fragment has somewhere to go.
    PulseProplistPtr properties(pa_proplist_new());
    pa_proplist_sets(properties.get(), PA_PROP_MEDIA_ROLE, "production");
    pa_proplist_sets(properties.get(), PA_PROP_MEDIA_NAME, "Monitor");
    playback_ = PulseStreamPtr(
        pa_stream_new_with_proplist(context, "Monitor", &kSpec, nullptr, properties.get()),
        PulseStreamCloser{server_->loop()});
    if (!playback_) {
        return LiveStreamFailure(pa_context_errno(context), "no playback stream could be made");
    }
    pa_stream_set_state_callback(playback_.get(), StateChanged, this);
    pa_buffer_attr ahead{};
    ahead.maxlength = static_cast<uint32_t>(-1);
    ahead.tlength = Bytes(kAheadMs);
    ahead.prebuf = Bytes(kFragmentMs);
    ahead.minreq = Bytes(kFragmentMs);
    ahead.fragsize = static_cast<uint32_t>(-1);
    if (pa_stream_connect_playback(playback_.get(), nullptr, &ahead,
                                   PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) < 0) {
        const int number = pa_context_errno(context);
        playback_.reset();
        return LiveStreamFailure(number, "the output device could not be opened");
    }
    pa_stream* playback = playback_.get();
    server_->waitUntil(deadline, [playback] {
        const pa_stream_state_t state = pa_stream_get_state(playback);
        return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
    });
    if (pa_stream_get_state(playback) != PA_STREAM_READY) {
        const int number = pa_context_errno(context);
        playback_.reset();
        return LiveStreamFailure(number, "the output device could not be opened");
    }

    Result<PulseStreamPtr> record = ConnectRecordStream(
        *server_, {source, kSpec, "Monitor", kFragmentMs}, deadline,
        {StateChanged, ReadArrived, this});
    if (!record) {
        playback_.reset();
        return record.failure();
    }
    record_ = std::move(record).value();
    return {};
}

void PulseVoiceMonitor::stop() {
    PulseServer::Lock lock(*server_);
    record_.reset();
    playback_.reset();
}

void PulseVoiceMonitor::ReadArrived(pa_stream* stream, size_t, void* userdata) {
    auto* monitor = static_cast<PulseVoiceMonitor*>(userdata);
    pa_stream* playback = monitor->playback_.get();
    const float gain = monitor->gain_;
    for (;;) {
        const void* data = nullptr;
        size_t bytes = 0;
        if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0) break;
        // What the speakers cannot take within the small lead is dropped:
        // hearing it late would be worse than missing it.
        const size_t room =
            playback && pa_stream_get_state(playback) == PA_STREAM_READY
                ? pa_stream_writable_size(playback)
                : 0;
        const size_t count = std::min(bytes, room) / sizeof(int16_t);
        if (count > 0) {
            auto& scaled = monitor->scaled_;
            scaled.resize(count);
            const auto* samples = static_cast<const int16_t*>(data);
            for (size_t i = 0; i < count; ++i) {
                const float value = samples ? samples[i] * gain : 0.0f;
                scaled[i] = static_cast<int16_t>(std::clamp(value, -32768.0f, 32767.0f));
            }
            pa_stream_write(playback, scaled.data(), count * sizeof(int16_t), nullptr, 0,
                            PA_SEEK_RELATIVE);
        }
        pa_stream_drop(stream);
    }
}

void PulseVoiceMonitor::StateChanged(pa_stream* stream, void* userdata) {
    auto* monitor = static_cast<PulseVoiceMonitor*>(userdata);
    monitor->server_->signal();  // set-up waits for the state
    if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream)) || monitor->failurePosted_) return;
    monitor->failurePosted_ = true;
    const int generation = monitor->generation_;
    QMetaObject::invokeMethod(
        monitor->receiver_.get(), [monitor, generation] { monitor->brokeOff(generation); },
        Qt::QueuedConnection);
    monitor->server_->signal();
}

void PulseVoiceMonitor::brokeOff(int generation) {
    bool wasRunning = false;
    {
        PulseServer::Lock lock(*server_);
        // A monitor started since is not the one that broke off.
        wasRunning = record_ != nullptr && generation == generation_;
    }
    if (!wasRunning) return;
    stop();
    if (failureHandler_) {
        failureHandler_(LiveStreamFailure(PA_ERR_NOENTITY, "the input device went away"));
    }
}

}  // namespace platform
