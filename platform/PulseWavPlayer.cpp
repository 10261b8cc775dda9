#include "platform/PulseWavPlayer.h"

#include <algorithm>

namespace platform {
namespace {

QString Quoted(const QString& path) { return QStringLiteral("\"") + path + QStringLiteral("\""); }

}  // namespace

PulseWavPlayer::PulseWavPlayer(std::shared_ptr<PulseServer> server) : server_(std::move(server)) {}

PulseWavPlayer::~PulseWavPlayer() { close(); }

namespace {
Failure NoFileOpen() { return PlayerFailure(QString::fromLatin1(kNoFileOpenText)); }
}  // namespace

Status PulseWavPlayer::open() {
    close();
    PulseServer::Lock lock(*server_);
    QString error = file_.open(fileName_);
    if (error.isEmpty()) error = makeStream();
    if (!error.isEmpty()) {
        file_.close();
        return PlayerFailure(error);
    }
    open_ = true;
    return {};
}

QString PulseWavPlayer::makeStream() {
    dropStream();
    const SoundTime deadline = SoundClock::now() + kSetUpLimit;
    PulseError error;
    pa_context* context = server_->connect(deadline, error);
    if (!context) {
        return QStringLiteral("There is no sound output device to play %1: %2")
            .arg(Quoted(fileName_), QString::fromStdString(error.text));
    }
    spec_.format = PA_SAMPLE_S16LE;
    spec_.channels = static_cast<uint8_t>(std::clamp(file_.channels(), 0, 255));
    spec_.rate = static_cast<uint32_t>(file_.sampleRate());
    if (!pa_sample_spec_valid(&spec_) || spec_.channels != file_.channels()) {
        return QStringLiteral("The sound output device cannot play %1 channels at %2 Hz (%3)")
            .arg(file_.channels())
            .arg(file_.sampleRate())
            .arg(Quoted(fileName_));
    }
    PulseProplistPtr properties(pa_proplist_new());
    const QByteArray name = fileName_.section(QLatin1Char('/'), -1).toUtf8();
    pa_proplist_sets(properties.get(), PA_PROP_MEDIA_ROLE, "production");
    pa_proplist_sets(properties.get(), PA_PROP_MEDIA_NAME, name.constData());
    pa_proplist_sets(properties.get(), PA_PROP_MEDIA_FILENAME, fileName_.toUtf8().constData());
    stream_ = PulseStreamPtr(
        pa_stream_new_with_proplist(context, name.constData(), &spec_, nullptr, properties.get()),
        PulseStreamCloser{server_->loop()});
    if (!stream_) {
        return QStringLiteral("The sound output device cannot play %1: %2")
            .arg(Quoted(fileName_), QString::fromUtf8(pa_strerror(pa_context_errno(context))));
    }
    pa_stream_set_state_callback(stream_.get(), StateChanged, this);
    pa_stream_set_write_callback(stream_.get(), WriteWanted, this);
    pa_stream_set_latency_update_callback(stream_.get(), TimingUpdated, this);

    pa_buffer_attr buffer{};
    buffer.maxlength = buffer.minreq = buffer.fragsize = static_cast<uint32_t>(-1);
    // No prebuffering: the stream runs from the uncork on and never stops
    // to wait for data. Should the feeder fall behind, the server plays
    // silence and skips what arrives late, so the accompaniment keeps its
    // time against the microphone instead of resuming late by the gap.
    buffer.prebuf = 0;
    buffer.tlength = static_cast<uint32_t>(pa_usec_to_bytes(
        static_cast<pa_usec_t>(std::chrono::microseconds(kAhead).count()), &spec_));
    const auto flags =
        static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY |
                                       PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(stream_.get(), nullptr, &buffer, flags, nullptr, nullptr) < 0) {
        const int number = pa_context_errno(context);
        stream_.reset();
        return QStringLiteral("The sound output device cannot play %1: %2")
            .arg(Quoted(fileName_), QString::fromUtf8(pa_strerror(number)));
    }
    pa_stream* stream = stream_.get();
    const bool settled = server_->waitUntil(deadline, [stream] {
        const pa_stream_state_t state = pa_stream_get_state(stream);
        return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
    });
    if (pa_stream_get_state(stream) == PA_STREAM_READY) {
        fresh_ = true;
        return QString();
    }
    const int number = settled ? pa_context_errno(context) : PA_ERR_TIMEOUT;
    stream_.reset();
    // A set-up still under way goes with the connection.
    if (!settled) server_->disconnect();
    return QStringLiteral("There is no sound output device to play %1: %2")
        .arg(Quoted(fileName_),
             QString::fromStdString(
                 MakePulseError(number, settled ? "the default output device could not be opened"
                                                : "the sound server did not answer")
                     .text));
}

void PulseWavPlayer::dropStream() {
    feeding_ = false;
    fresh_ = false;
    drain_.reset();
    stream_.reset();
    playing_ = false;
    firstHeard_.reset();
}

Status PulseWavPlayer::play() {
    if (!open_) return NoFileOpen();
    PulseServer::Lock lock(*server_);
    // A stream that has played, or that died with the server, is not reused.
    if (!fresh_ || !stream_ || pa_stream_get_state(stream_.get()) != PA_STREAM_READY) {
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
    firstHeard_.reset();
    playing_ = true;
    // Filled before it runs, so nothing but the file's own start is heard first.
    feed(stream_.get(), pa_stream_writable_size(stream_.get()));
    ForgetOperation(pa_stream_cork(stream_.get(), 0, nullptr, nullptr));
    return {};
}

Status PulseWavPlayer::stop() {
    if (!open_) return NoFileOpen();
    PulseServer::Lock lock(*server_);
    dropStream();
    return {};
}

void PulseWavPlayer::close() {
    if (!open_) return;
    PulseServer::Lock lock(*server_);
    dropStream();
    file_.close();
    open_ = false;
}

std::optional<SoundTime> PulseWavPlayer::firstSampleHeardAt() const {
    PulseServer::Lock lock(*server_);
    return firstHeard_.value();
}

void PulseWavPlayer::feed(pa_stream* stream, size_t bytes) {
    if (!feeding_ || endOfFile_ || stream != stream_.get()) return;
    while (bytes > 0) {
        void* buffer = nullptr;
        size_t size = bytes;
        if (pa_stream_begin_write(stream, &buffer, &size) < 0 || !buffer) break;
        const int64_t got = file_.read(buffer, static_cast<int64_t>(std::min(size, bytes)));
        if (got <= 0) {
            pa_stream_cancel_write(stream);
            endOfFile_ = true;
            break;
        }
        pa_stream_write(stream, buffer, static_cast<size_t>(got), nullptr, 0, PA_SEEK_RELATIVE);
        bytes -= std::min(bytes, static_cast<size_t>(got));
    }
    if (endOfFile_ && !drain_) {
        // A stream without prebuffering never counts as drained (the server
        // plays on into silence), so it gets the usual prebuffering back for
        // its last stretch; the drain then lets that play out.
        if (const pa_buffer_attr* now = pa_stream_get_buffer_attr(stream)) {
            pa_buffer_attr ending = *now;
            ending.prebuf = static_cast<uint32_t>(-1);
            ForgetOperation(pa_stream_set_buffer_attr(stream, &ending, nullptr, nullptr));
        }
        // Ended only when the last sample has been heard; a short file
        // starts playing here, too.
        drain_ = PulseOperationPtr(pa_stream_drain(stream, Drained, this),
                                   PulseOperationCloser{server_->loop()});
    }
}

void PulseWavPlayer::StateChanged(pa_stream* stream, void* userdata) {
    auto* player = static_cast<PulseWavPlayer*>(userdata);
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream)) && stream == player->stream_.get()) {
        player->playing_ = false;
        player->feeding_ = false;
    }
    player->server_->signal();
}

void PulseWavPlayer::WriteWanted(pa_stream* stream, size_t bytes, void* userdata) {
    static_cast<PulseWavPlayer*>(userdata)->feed(stream, bytes);
}

void PulseWavPlayer::TimingUpdated(pa_stream* stream, void* userdata) {
    auto* player = static_cast<PulseWavPlayer*>(userdata);
    const pa_timing_info* info = pa_stream_get_timing_info(stream);
    if (!player->feeding_ || !info || stream != player->stream_.get()) return;
    if (const auto first = FirstSampleHeard(*info, player->spec_)) {
        player->firstHeard_.add(*first);
    }
}

void PulseWavPlayer::Drained(pa_stream* stream, int success, void* userdata) {
    auto* player = static_cast<PulseWavPlayer*>(userdata);
    if (success && stream == player->stream_.get()) player->playing_ = false;
}

}  // namespace platform
