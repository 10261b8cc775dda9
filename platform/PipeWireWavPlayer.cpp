#include "platform/PipeWireWavPlayer.h"

#include <algorithm>
#include <vector>

#include "platform/PipeWireTiming.h"

namespace platform {
namespace {

QString Quoted(const QString& path) { return QStringLiteral("\"") + path + QStringLiteral("\""); }

Failure NoFileOpen() { return PlayerFailure(QString::fromLatin1(kNoFileOpenText)); }

}  // namespace

PipeWireWavPlayer::PipeWireWavPlayer(std::shared_ptr<PipeWireServer> server)
    : server_(std::move(server)) {}

PipeWireWavPlayer::~PipeWireWavPlayer() { close(); }

Status PipeWireWavPlayer::open() {
    close();
    PipeWireServer::Lock lock(*server_);
    QString error = file_.open(fileName_);
    if (error.isEmpty()) error = makeStream();
    if (!error.isEmpty()) {
        file_.close();
        return PlayerFailure(error);
    }
    open_ = true;
    return {};
}

QString PipeWireWavPlayer::makeStream() {
    dropStream();
    const SoundTime deadline = SoundClock::now() + kSetUpLimit;
    if (file_.channels() < 1 || file_.channels() > 64 || file_.sampleRate() <= 0) {
        return QStringLiteral("The sound output device cannot play %1 channels at %2 Hz (%3)")
            .arg(file_.channels())
            .arg(file_.sampleRate())
            .arg(Quoted(fileName_));
    }
    static const pw_stream_events events = [] {
        pw_stream_events e{};
        e.version = PW_VERSION_STREAM_EVENTS;
        e.state_changed = StateChanged;
        e.process = Process;
        e.drained = Drained;
        return e;
    }();
    PipeWireStreamSpec spec;
    spec.name = fileName_.section(QLatin1Char('/'), -1).toStdString();
    spec.mediaName = spec.name;
    spec.iconName = "audio-x-generic";
    spec.direction = PW_DIRECTION_OUTPUT;
    spec.channels = file_.channels();
    spec.rate = file_.sampleRate();
    spec.latencyFrames = static_cast<int>(file_.sampleRate() * kCycle.count() / 1000);
    std::string error;
    stream_ = PipeWireStream::make(*server_, spec, events, this, error);
    if (!stream_) {
        return QStringLiteral("There is no sound output device to play %1: %2")
            .arg(Quoted(fileName_), QString::fromStdString(error));
    }
    const bool settled = stream_->waitReady(*server_, deadline);
    if (stream_->ready()) {
        fresh_ = true;
        return QString();
    }
    stream_.reset();
    return QStringLiteral("There is no sound output device to play %1: %2")
        .arg(Quoted(fileName_), settled ? QStringLiteral("the default output device could not be opened")
                                        : QStringLiteral("the sound server did not answer"));
}

void PipeWireWavPlayer::dropStream() {
    feeding_ = false;
    fresh_ = false;
    stream_.reset();
    playing_ = false;
    firstHeard_.reset();
}

Status PipeWireWavPlayer::play() {
    if (!open_) return NoFileOpen();
    PipeWireServer::Lock lock(*server_);
    // A stream that has played, or that died with the server, is not reused.
    if (!fresh_ || !stream_ || stream_->broken() || stream_->state() == PW_STREAM_STATE_ERROR) {
        const QString error = makeStream();
        if (!error.isEmpty()) return PlayerFailure(error);
    }
    if (!file_.rewind()) {
        dropStream();
        return PlayerFailure(QStringLiteral("Cannot read the open file from its start"),
                             FailureCause::Unreadable);
    }
    fresh_ = false;
    feeding_ = true;
    endOfFile_ = false;
    framesQueued_ = 0;
    firstHeard_.reset();
    endsAt_ = 0;
    playing_ = true;
    stream_->activate(true);
    return {};
}

Status PipeWireWavPlayer::stop() {
    if (!open_) return NoFileOpen();
    PipeWireServer::Lock lock(*server_);
    dropStream();
    return {};
}

void PipeWireWavPlayer::close() {
    if (!open_) return;
    PipeWireServer::Lock lock(*server_);
    dropStream();
    file_.close();
    open_ = false;
}

bool PipeWireWavPlayer::isPlaying() const {
    const SoundClock::rep endsAt = endsAt_;
    return playing_ && (endsAt == 0 || SoundClock::now().time_since_epoch().count() < endsAt);
}

std::optional<SoundTime> PipeWireWavPlayer::firstSampleHeardAt() const {
    PipeWireServer::Lock lock(*server_);
    return firstHeard_.value();
}

void PipeWireWavPlayer::StateChanged(void* data, pw_stream_state, pw_stream_state state,
                                     const char*) {
    auto* player = static_cast<PipeWireWavPlayer*>(data);
    if (state == PW_STREAM_STATE_ERROR || state == PW_STREAM_STATE_UNCONNECTED) {
        player->playing_ = false;
        player->feeding_ = false;
    }
    player->server_->signal();
}

void PipeWireWavPlayer::Process(void* data) { static_cast<PipeWireWavPlayer*>(data)->feed(); }

void PipeWireWavPlayer::Drained(void* data) {
    auto* player = static_cast<PipeWireWavPlayer*>(data);
    // The graph has taken the last sample; the speakers play it a little later.
    player->endsAt_ = std::max(player->lastFrameHeard_, SoundClock::now()).time_since_epoch().count();
    player->server_->signal();
}

void PipeWireWavPlayer::feed() {
    if (!stream_ || !feeding_ || endOfFile_) return;
    pw_stream* stream = stream_->get();
    const int frameBytes = file_.frameBytes();
    const int rate = file_.sampleRate();
    while (!endOfFile_) {
        pw_buffer* buffer = pw_stream_dequeue_buffer(stream);
        if (!buffer) break;
        spa_data& d = buffer->buffer->datas[0];
        if (!d.data || !d.chunk) {
            pw_stream_queue_buffer(stream, buffer);
            break;
        }
        int64_t frames = d.maxsize / frameBytes;
        if (buffer->requested > 0) frames = std::min<int64_t>(frames, buffer->requested);
        std::optional<SoundTime> next;
        if (const auto time = StreamTime(stream)) {
            next = NextFrameHeard(*time, frameBytes, rate, frames);
            if (const auto heard = firstHeard_.value()) {
                // Late by more than a cycle and a margin: what the speakers
                // played meanwhile (silence) stands for that stretch of the
                // file, which is skipped.
                const int64_t due = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                        *next - *heard).count() * rate / 1'000'000'000LL;
                const int64_t slack = frames + rate * kLateMargin.count() / 1000;
                if (due - framesQueued_ > slack) {
                    for (int64_t skip = due - framesQueued_; skip > 0;) {
                        const int64_t got =
                            file_.read(d.data, std::min<int64_t>(skip, frames) * frameBytes);
                        if (got <= 0) break;
                        skip -= got / frameBytes;
                        framesQueued_ += got / frameBytes;
                    }
                }
            } else if (framesQueued_ > 0 && !firstHeard_.complete()) {
                // The first cycle asks for more than one (the resampler
                // fills up): its request says nothing of the cycle's length.
                firstHeard_.add(*next - std::chrono::nanoseconds(framesQueued_ * 1'000'000'000LL / rate));
            }
        }
        const int64_t got = file_.read(d.data, frames * frameBytes);
        if (got <= 0) endOfFile_ = true;
        d.chunk->offset = 0;
        d.chunk->stride = frameBytes;
        d.chunk->size = static_cast<uint32_t>(std::max<int64_t>(got, 0));
        framesQueued_ += std::max<int64_t>(got, 0) / frameBytes;
        if (next) {
            lastFrameHeard_ = *next + std::chrono::nanoseconds(std::max<int64_t>(got, 0) /
                                                               frameBytes * 1'000'000'000LL / rate);
        }
        pw_stream_queue_buffer(stream, buffer);
        if (got < frames * frameBytes) endOfFile_ = true;
        break;  // one buffer a cycle
    }
    // Ended only when the last sample has been heard.
    if (endOfFile_) pw_stream_flush(stream, true);
}

}  // namespace platform
