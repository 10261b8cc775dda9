#include "platform/PulseLiveInput.h"

#include "platform/PulseRecordStream.h"

namespace platform {

PulseLiveInput::PulseLiveInput(std::shared_ptr<PulseServer> server)
    : server_(std::move(server)), receiver_(std::make_unique<QObject>()) {}

PulseLiveInput::~PulseLiveInput() { stop(); }

Status PulseLiveInput::start(const std::string& source, int sampleRate) {
    stop();
    const SoundTime deadline = SoundClock::now() + kSetUpLimit;
    PulseServer::Lock lock(*server_);
    const pa_sample_spec spec{PA_SAMPLE_S16LE, static_cast<uint32_t>(sampleRate), 1};
    arrived_.clear();
    maxKept_ = static_cast<size_t>(sampleRate) * kMaxKeptMs / 1000;
    failed_ = false;
    Result<PulseStreamPtr> made = ConnectRecordStream(
        *server_, {source, spec, "Level", kFragmentMs}, deadline,
        {StateChanged, ReadArrived, this});
    if (!made) return made.failure();
    stream_ = std::move(made).value();
    return {};
}

void PulseLiveInput::stop() {
    PulseServer::Lock lock(*server_);
    stream_.reset();
    arrived_.clear();
}

void PulseLiveInput::StateChanged(pa_stream* stream, void* userdata) {
    auto* input = static_cast<PulseLiveInput*>(userdata);
    input->server_->signal();  // set-up waits for the state
    if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) return;
    input->failed_ = true;
    input->post();
    input->server_->signal();
}

void PulseLiveInput::ReadArrived(pa_stream* stream, size_t, void* userdata) {
    auto* input = static_cast<PulseLiveInput*>(userdata);
    for (;;) {
        const void* data = nullptr;
        size_t bytes = 0;
        if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0) break;
        const size_t count = bytes / sizeof(int16_t);
        auto& kept = input->arrived_;
        if (data) {
            const auto* samples = static_cast<const int16_t*>(data);
            kept.insert(kept.end(), samples, samples + count);
        } else {
            kept.insert(kept.end(), count, 0);  // a hole in the stream is silence
        }
        pa_stream_drop(stream);
    }
    if (input->arrived_.size() > input->maxKept_) {
        input->arrived_.erase(input->arrived_.begin(),
                              input->arrived_.end() - static_cast<std::ptrdiff_t>(input->maxKept_));
    }
    input->post();
}

void PulseLiveInput::post() {
    if (posted_) return;
    posted_ = true;
    QMetaObject::invokeMethod(receiver_.get(), [this] { deliver(); }, Qt::QueuedConnection);
}

void PulseLiveInput::deliver() {
    bool failed = false;
    {
        PulseServer::Lock lock(*server_);
        posted_ = false;
        taken_.clear();
        taken_.swap(arrived_);
        failed = failed_ && stream_ != nullptr;
        if (failed) stream_.reset();
    }
    if (!taken_.empty() && handler_) handler_(taken_.data(), taken_.size());
    if (failed && failureHandler_) {
        failureHandler_(LiveStreamFailure(PA_ERR_NOENTITY, "the input device went away"));
    }
}

}  // namespace platform
