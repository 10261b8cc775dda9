#include "platform/PipeWireAudioInput.h"

#include <algorithm>
#include <cstring>

#include "platform/InputFailure.h"
#include "platform/PipeWireTiming.h"

namespace platform {

PipeWireAudioInput::PipeWireAudioInput(std::shared_ptr<PipeWireServer> server)
    : server_(std::move(server)), receiver_(std::make_unique<QObject>()) {}

PipeWireAudioInput::~PipeWireAudioInput() { close(); }

Status PipeWireAudioInput::open(const AudioInputFormat& format, size_t blockBytes) {
    close();
    if (format.bitsPerSample != 16 || format.channels <= 0 || format.channels > 64 ||
        format.sampleRate <= 0) {
        return InputFailure(PA_ERR_NOTSUPPORTED, QStringLiteral("the format %1 Hz, %2 channel(s), %3 bits "
                                                   "cannot be recorded")
                                        .arg(format.sampleRate)
                                        .arg(format.channels)
                                        .arg(format.bitsPerSample)
                                        .toStdString());
    }
    format_ = format;
    blockBytes_ = blockBytes;
    return connectStream();
}

Status PipeWireAudioInput::connectStream() {
    const SoundTime deadline = SoundClock::now() + kSetUpLimit;
    PipeWireServer::Lock lock(*server_);
    stream_.reset();
    started_ = false;
    static const pw_stream_events events = [] {
        pw_stream_events e{};
        e.version = PW_VERSION_STREAM_EVENTS;
        e.state_changed = StateChanged;
        e.process = Process;
        return e;
    }();
    PipeWireStreamSpec spec;
    spec.name = "Voice";
    spec.mediaName = "Voice";
    spec.iconName = "audio-input-microphone";
    spec.target = device_;
    spec.direction = PW_DIRECTION_INPUT;
    spec.channels = format_.channels;
    spec.rate = format_.sampleRate;
    spec.latencyFrames = static_cast<int>(
        std::max<size_t>(1, blockBytes_ / static_cast<size_t>(2 * format_.channels)));
    std::string error;
    stream_ = PipeWireStream::make(*server_, spec, events, this, error);
    if (!stream_) return InputFailure(PA_ERR_CONNECTIONREFUSED, error);
    stream_->setBrokeOff([this] {
        fail(PA_ERR_CONNECTIONTERMINATED, "the connection to the sound server broke off");
    });
    const bool settled = stream_->waitReady(*server_, deadline);
    if (stream_->ready()) {
        return {};
    }
    stream_.reset();
    if (!settled) return InputFailure(PA_ERR_TIMEOUT, "the sound server did not answer");
    return InputFailure(PA_ERR_NOENTITY, "the input device could not be opened");
}

Status PipeWireAudioInput::prepareBlock(AudioBlock& block) {
    if (!stream_) return InputFailure(PA_ERR_BADSTATE, "the audio input is not open");
    return blocks_.prepare(block);
}

Status PipeWireAudioInput::queueBlock(AudioBlock& block) {
    if (!stream_) return InputFailure(PA_ERR_BADSTATE, "the audio input is not open");
    return blocks_.queue(block, running_);
}

Status PipeWireAudioInput::start() {
    if (!stream_) return InputFailure(PA_ERR_BADSTATE, "the audio input is not open");
    if (started_) {
        // What the last capture left in the graph is not part of this one.
        const Status made = connectStream();
        if (!made.ok()) return made;
    }
    PipeWireServer::Lock lock(*server_);
    if (stream_->broken() || stream_->state() == PW_STREAM_STATE_ERROR) {
        return InputFailure(PA_ERR_CONNECTIONTERMINATED, "the connection to the sound server broke off");
    }
    arrived_.clear();
    arrivedFrames_ = 0;
    failed_ = failureReported_ = false;
    firstCaptured_.reset();
    accepting_ = true;
    blocks_.begin();
    running_ = true;
    started_ = true;
    stream_->activate(true);
    return {};
}

void PipeWireAudioInput::stop() {
    if (!running_) return;
    const SoundTime stoppedAt = SoundClock::now();
    running_ = false;
    int64_t wanted = -1;  // bytes of the take; -1: all that arrived
    const int64_t frameBytes = 2 * format_.channels;
    {
        PipeWireServer::Lock lock(*server_);
        const auto flowing = [this] { return !failed_ && stream_ && !stream_->broken(); };
        if (flowing()) {
            const SoundTime deadline =
                stoppedAt + std::min<SoundClock::duration>(kStopLimit, delay_ + kStopMargin);
            server_->waitUntil(deadline, [&] { return firstCaptured_.value(1) || !flowing(); });
            if (const auto first = firstCaptured_.value(1)) {
                const auto taken = std::max<SoundClock::duration>(stoppedAt - *first, {});
                const int64_t frames =
                    std::chrono::duration_cast<std::chrono::nanoseconds>(taken).count() *
                    format_.sampleRate / 1'000'000'000LL;
                wanted = frames * frameBytes;
                // What was at the microphone before the click may still be on its way.
                server_->waitUntil(deadline, [&] { return arrivedFrames_ >= frames || !flowing(); });
            }
            stream_->activate(false);
        }
        accepting_ = false;
    }
    takeArrived();
    // Sound from after the click is not part of the take.
    blocks_.keepAtMost(wanted);
    blocks_.deliver(true);
    blocks_.end();
}

std::optional<SoundTime> PipeWireAudioInput::firstSampleCapturedAt() const {
    PipeWireServer::Lock lock(*server_);
    return firstCaptured_.value(running_ ? MomentEstimate::kSettled : 1);
}

void PipeWireAudioInput::close() {
    running_ = false;
    {
        PipeWireServer::Lock lock(*server_);
        stream_.reset();
        accepting_ = false;
        arrived_.clear();
        arrivedFrames_ = 0;
        failed_ = failureReported_ = false;
        firstCaptured_.reset();
    }
    blocks_.forget();
}

void PipeWireAudioInput::StateChanged(void* data, pw_stream_state, pw_stream_state state,
                                      const char*) {
    auto* input = static_cast<PipeWireAudioInput*>(data);
    if (state == PW_STREAM_STATE_ERROR || state == PW_STREAM_STATE_UNCONNECTED) {
        input->fail(PA_ERR_NOENTITY, "the input device went away");
    }
    input->server_->signal();
}

void PipeWireAudioInput::fail(int number, const std::string& text) {
    if (!accepting_ || failed_) return;
    failed_ = true;
    failureNumber_ = number;
    failure_ = text;
    postDelivery();
    server_->signal();
}

void PipeWireAudioInput::Process(void* data) {
    auto* input = static_cast<PipeWireAudioInput*>(data);
    pw_stream* stream = input->stream_ ? input->stream_->get() : nullptr;
    if (!stream) return;
    const int frameBytes = 2 * input->format_.channels;
    while (pw_buffer* buffer = pw_stream_dequeue_buffer(stream)) {
        spa_data& d = buffer->buffer->datas[0];
        const uint32_t offset = d.chunk ? std::min(d.chunk->offset, d.maxsize) : 0;
        const uint32_t size = d.chunk ? std::min(d.chunk->size, d.maxsize - offset) : 0;
        const int64_t frames = size / frameBytes;
        if (input->accepting_ && !input->failed_ && frames > 0) {
            if (input->arrived_.size() + size > kMaxKeptBytes) {
                input->fail(PA_ERR_TOOLARGE, "the recording was not taken in time");
            } else {
                const size_t at = input->arrived_.size();
                input->arrived_.resize(at + static_cast<size_t>(frames * frameBytes));
                if (d.data) {
                    std::memcpy(input->arrived_.data() + at,
                                static_cast<const char*>(d.data) + offset,
                                static_cast<size_t>(frames * frameBytes));
                } else {
                    std::memset(input->arrived_.data() + at, 0,
                                static_cast<size_t>(frames * frameBytes));
                }
                input->arrivedFrames_ += frames;
                if (const auto time = StreamTime(stream)) {
                                    input->delay_ = std::chrono::nanoseconds(
                        time->delay * 1'000'000'000LL * time->rate.num / time->rate.denom);
                    if (!input->firstCaptured_.complete()) {
                        input->firstCaptured_.add(FirstFrameCaptured(
                            *time, input->arrivedFrames_, input->format_.sampleRate));
                    }
                }
                input->postDelivery();
            }
        }
        pw_stream_queue_buffer(stream, buffer);
    }
    input->server_->signal();
}

void PipeWireAudioInput::postDelivery() {
    if (deliveryPosted_) return;
    deliveryPosted_ = true;
    QMetaObject::invokeMethod(
        receiver_.get(), [this] { deliverArrived(); }, Qt::QueuedConnection);
}

void PipeWireAudioInput::takeArrived() {
    std::vector<char> arrived;
    {
        PipeWireServer::Lock lock(*server_);
        arrived.swap(arrived_);
    }
    blocks_.append(arrived);
}

void PipeWireAudioInput::deliverArrived() {
    bool brokeOff = false;
    ::Failure failure;
    {
        PipeWireServer::Lock lock(*server_);
        deliveryPosted_ = false;
        if (!running_) return;
        if (failed_ && !failureReported_) {
            failureReported_ = true;
            accepting_ = false;
            brokeOff = true;
            failure = InputFailure(failureNumber_, failure_);
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
