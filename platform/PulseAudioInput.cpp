#include "platform/PulseAudioInput.h"

#include <algorithm>
#include <cstring>

#include "platform/InputFailure.h"

namespace platform {
namespace {

bool ToSampleSpec(const AudioInputFormat& format, pa_sample_spec& spec) {
    switch (format.bitsPerSample) {
        case 8:
            spec.format = PA_SAMPLE_U8;
            break;
        case 16:
            spec.format = PA_SAMPLE_S16LE;
            break;
        case 24:
            spec.format = PA_SAMPLE_S24LE;
            break;
        case 32:
            spec.format = PA_SAMPLE_S32LE;
            break;
        default:
            return false;
    }
    if (format.channels <= 0 || format.sampleRate <= 0) return false;
    spec.channels = static_cast<uint8_t>(std::min(format.channels, 255));
    spec.rate = static_cast<uint32_t>(format.sampleRate);
    return pa_sample_spec_valid(&spec) != 0 && spec.channels == format.channels;
}

std::string BrokenOffText(int number) {
    switch (number) {
        case PA_ERR_CONNECTIONTERMINATED:
            return "the connection to the sound server broke off";
        case PA_ERR_KILLED:
        case PA_ERR_NOENTITY:
            return "the input device went away";
        default:
            return "the recording broke off";
    }
}

// How long the source holds sound back before it hands it on.
struct SourceLatency {
    PulseServer* server = nullptr;
    bool done = false;
    pa_usec_t latency = 0;
};

void SourceInfoArrived(pa_context*, const pa_source_info* info, int eol, void* userdata) {
    auto* reply = static_cast<SourceLatency*>(userdata);
    if (eol == 0 && info) {
        reply->latency = std::max(info->configured_latency, info->latency);
        return;
    }
    reply->done = true;
    reply->server->signal();
}

}  // namespace

PulseAudioInput::PulseAudioInput(std::shared_ptr<PulseServer> server)
    : server_(std::move(server)), receiver_(std::make_unique<QObject>()) {}

PulseAudioInput::~PulseAudioInput() { close(); }

Status PulseAudioInput::open(const AudioInputFormat& format, size_t blockBytes) {
    close();
    if (!ToSampleSpec(format, spec_)) {
        return InputFailure(PA_ERR_NOTSUPPORTED,
                       QStringLiteral("the format %1 Hz, %2 channel(s), %3 bits cannot be recorded")
                           .arg(format.sampleRate)
                           .arg(format.channels)
                           .arg(format.bitsPerSample)
                           .toStdString());
    }
    blockBytes_ = blockBytes;
    return connectStream();
}

Status PulseAudioInput::connectStream() {
    const SoundTime deadline = SoundClock::now() + kSetUpLimit;
    PulseServer::Lock lock(*server_);
    timingQuery_.reset();
    stream_.reset();
    started_ = false;
    const pa_sample_spec spec = spec_;
    PulseError error;
    pa_context* context = server_->connect(deadline, error);
    if (!context) return InputFailure(error);

    PulseProplistPtr properties(pa_proplist_new());
    pa_proplist_sets(properties.get(), PA_PROP_MEDIA_ROLE, "production");
    pa_proplist_sets(properties.get(), PA_PROP_MEDIA_NAME, "Voice");
    pa_proplist_sets(properties.get(), PA_PROP_MEDIA_ICON_NAME, "audio-input-microphone");
    stream_ = PulseStreamPtr(
        pa_stream_new_with_proplist(context, "Voice", &spec, nullptr, properties.get()),
        PulseStreamCloser{server_->loop()});
    if (!stream_) return InputFailure(pa_context_errno(context), "no record stream could be made");
    pa_stream_set_state_callback(stream_.get(), StateChanged, this);
    pa_stream_set_read_callback(stream_.get(), ReadArrived, this);
    pa_stream_set_latency_update_callback(stream_.get(), TimingUpdated, this);

    pa_buffer_attr buffer{};
    buffer.maxlength = static_cast<uint32_t>(-1);
    buffer.tlength = buffer.prebuf = buffer.minreq = static_cast<uint32_t>(-1);
    buffer.fragsize = static_cast<uint32_t>(blockBytes_);
    const auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING |
        PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_DONT_MOVE);
    const char* device = device_.empty() ? nullptr : device_.c_str();
    if (pa_stream_connect_record(stream_.get(), device, &buffer, flags) < 0) {
        const int number = pa_context_errno(context);
        stream_.reset();
        return InputFailure(number, "the input device could not be opened");
    }
    pa_stream* stream = stream_.get();
    const bool settled = server_->waitUntil(deadline, [stream] {
        const pa_stream_state_t state = pa_stream_get_state(stream);
        return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
    });
    if (pa_stream_get_state(stream) == PA_STREAM_READY) {
        SourceLatency source{server_.get()};
        PulseOperationPtr query(
            pa_context_get_source_info_by_index(context, pa_stream_get_device_index(stream),
                                                SourceInfoArrived, &source),
            PulseOperationCloser{server_->loop()});
        if (query) server_->waitUntil(deadline, [&source] { return source.done; });
        sourceLatency_ = std::chrono::microseconds(source.latency);
        return {};
    }
    stream_.reset();
    if (!settled) {
        // The stream's set-up may still be under way; it goes with the connection.
        server_->disconnect();
        return InputFailure(PA_ERR_TIMEOUT, "the sound server did not answer");
    }
    const int number = pa_context_errno(context);
    return InputFailure(number, number == PA_ERR_NOENTITY ? "there is no input device"
                                                     : "the input device could not be opened");
}

Status PulseAudioInput::prepareBlock(AudioBlock& block) {
    if (!stream_) return InputFailure(PA_ERR_BADSTATE, "the audio input is not open");
    return blocks_.prepare(block);
}

Status PulseAudioInput::queueBlock(AudioBlock& block) {
    if (!stream_) return InputFailure(PA_ERR_BADSTATE, "the audio input is not open");
    return blocks_.queue(block, running_);
}

Status PulseAudioInput::start() {
    if (!stream_) return InputFailure(PA_ERR_BADSTATE, "the audio input is not open");
    if (started_) {
        // A stream counts its sound from its beginning: a new start needs a new one.
        const Status made = connectStream();
        if (!made.ok()) return made;
    }
    PulseServer::Lock lock(*server_);
    if (pa_stream_get_state(stream_.get()) != PA_STREAM_READY) {
        return InputFailure(pa_context_errno(pa_stream_get_context(stream_.get())),
                       BrokenOffText(PA_ERR_CONNECTIONTERMINATED));
    }
    arrived_.clear();
    arrivedBytes_ = 0;
    failed_ = failureReported_ = false;
    firstCaptured_.reset();
    accepting_ = true;
    blocks_.begin();
    running_ = true;
    started_ = true;
    // Not waited for: the first timing report after it tells when capture began.
    ForgetOperation(pa_stream_cork(stream_.get(), 0, nullptr, nullptr));
    return {};
}

void PulseAudioInput::stop() {
    if (!running_) return;
    const SoundTime stoppedAt = SoundClock::now();
    running_ = false;
    int64_t wanted = -1;  // bytes of the take; -1: all that arrived
    {
        PulseServer::Lock lock(*server_);
        pa_stream* stream = stream_.get();
        const auto flowing = [this, stream] {
            return !failed_ && stream && pa_stream_get_state(stream) == PA_STREAM_READY;
        };
        if (flowing()) {
            const SoundTime deadline = stoppedAt + std::min<SoundClock::duration>(
                                                       kStopLimit, sourceLatency_ + kStopMargin);
            // Where the stop falls in the stream: one report will do now.
            if (!firstCaptured_.value(1)) {
                ForgetOperation(pa_stream_update_timing_info(stream, nullptr, nullptr));
                server_->waitUntil(deadline, [&] { return firstCaptured_.value(1) || !flowing(); });
            }
            if (const auto first = firstCaptured_.value(1)) {
                const auto taken =
                    std::chrono::duration_cast<std::chrono::microseconds>(stoppedAt - *first);
                const size_t frame = pa_frame_size(&spec_);
                wanted = std::max<int64_t>(
                    0, static_cast<int64_t>(pa_usec_to_bytes(
                           static_cast<pa_usec_t>(std::max<int64_t>(taken.count(), 0)), &spec_)));
                wanted -= wanted % static_cast<int64_t>(frame);
                // What was at the microphone before the click may still be on its way.
                server_->waitUntil(deadline, [&] { return arrivedBytes_ >= wanted || !flowing(); });
            }
            ForgetOperation(pa_stream_cork(stream, 1, nullptr, nullptr));
        }
        accepting_ = false;
    }
    takeArrived();
    // Sound from after the click is not part of the take.
    blocks_.keepAtMost(wanted);
    blocks_.deliver(true);
    blocks_.end();
}

std::optional<SoundTime> PulseAudioInput::firstSampleCapturedAt() const {
    PulseServer::Lock lock(*server_);
    // Once capture has stopped, what is known is all there will be.
    return firstCaptured_.value(running_ ? MomentEstimate::kSettled : 1);
}

void PulseAudioInput::close() {
    running_ = false;
    {
        PulseServer::Lock lock(*server_);
        timingQuery_.reset();
        stream_.reset();
        accepting_ = false;
        arrived_.clear();
        arrivedBytes_ = 0;
        failed_ = failureReported_ = false;
        firstCaptured_.reset();
    }
    blocks_.forget();
}

void PulseAudioInput::StateChanged(pa_stream* stream, void* userdata) {
    auto* input = static_cast<PulseAudioInput*>(userdata);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (!PA_STREAM_IS_GOOD(state) && input->accepting_ && !input->failed_) {
        input->failed_ = true;
        const int number = pa_context_errno(pa_stream_get_context(stream));
        input->failure_ = MakePulseError(number, BrokenOffText(number));
        input->postDelivery();
    }
    input->server_->signal();
}

void PulseAudioInput::ReadArrived(pa_stream* stream, size_t, void* userdata) {
    auto* input = static_cast<PulseAudioInput*>(userdata);
    for (;;) {
        const void* data = nullptr;
        size_t bytes = 0;
        if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0) break;
        if (input->accepting_) input->keep(data, bytes);
        pa_stream_drop(stream);
    }
    // A report right after sound arrived places the start best; see
    // MomentEstimate.
    PulseOperationPtr& query = input->timingQuery_;
    if (input->accepting_ && !input->firstCaptured_.complete() &&
        (!query || pa_operation_get_state(query.get()) != PA_OPERATION_RUNNING)) {
        query = PulseOperationPtr(pa_stream_update_timing_info(stream, nullptr, nullptr),
                                  PulseOperationCloser{input->server_->loop()});
    }
    input->postDelivery();
    input->server_->signal();
}

void PulseAudioInput::keep(const void* data, size_t bytes) {
    if (failed_) return;
    if (arrived_.size() + bytes > kMaxKeptBytes) {
        failed_ = true;
        failure_ = MakePulseError(PA_ERR_TOOLARGE, "the recording was not taken in time");
        return;
    }
    const size_t at = arrived_.size();
    arrived_.resize(at + bytes);
    // A hole in the stream is kept as silence, so what follows keeps its time.
    if (data) {
        std::memcpy(arrived_.data() + at, data, bytes);
    } else {
        std::memset(arrived_.data() + at, spec_.format == PA_SAMPLE_U8 ? 0x80 : 0, bytes);
    }
    arrivedBytes_ += static_cast<int64_t>(bytes);
}

void PulseAudioInput::TimingUpdated(pa_stream* stream, void* userdata) {
    auto* input = static_cast<PulseAudioInput*>(userdata);
    const pa_timing_info* info = pa_stream_get_timing_info(stream);
    if (!input->accepting_ || !info) return;
    if (const auto first = FirstSampleCaptured(*info, input->spec_)) {
        input->firstCaptured_.add(*first);
        input->server_->signal();
    }
}

void PulseAudioInput::postDelivery() {
    if (deliveryPosted_) return;
    deliveryPosted_ = true;
    QMetaObject::invokeMethod(
        receiver_.get(), [this] { deliverArrived(); }, Qt::QueuedConnection);
}

void PulseAudioInput::takeArrived() {
    std::vector<char> arrived;
    {
        PulseServer::Lock lock(*server_);
        arrived.swap(arrived_);
    }
    blocks_.append(arrived);
}

void PulseAudioInput::deliverArrived() {
    bool brokeOff = false;
    ::Failure failure;
    {
        PulseServer::Lock lock(*server_);
        deliveryPosted_ = false;
        if (!running_) return;
        if (failed_ && !failureReported_) {
            failureReported_ = true;
            accepting_ = false;
            brokeOff = true;
            failure = InputFailure(failure_);
        }
    }
    takeArrived();
    if (!brokeOff) {
        blocks_.deliver(false);
        return;
    }
    running_ = false;
    blocks_.deliver(true);
    blocks_.end();
    if (failureHandler_) failureHandler_(failure);
}

}  // namespace platform
