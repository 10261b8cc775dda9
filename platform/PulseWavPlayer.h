#pragma once
// WavPlayer over a PulseAudio playback stream on the server's default sink:
// a 16-bit PCM WAV file plays at its own rate and channel count, streamed
// from disk as the server asks for more. The stream is fed on the sound
// connection's own thread, so playback goes on while the UI thread is
// busy, and runs to the file's last sample before it counts as ended.
// Each play() starts a fresh stream, prepared corked and filled before it
// is let go, so the file starts at once and from its first sample. Once
// started it keeps time like the speakers' clock: should the machine be
// too busy to feed it, what came too late is skipped, never played late.
// Called from the UI thread only.

#include <QString>
#include <atomic>
#include <chrono>
#include <memory>

#include "platform/PulseHandles.h"
#include "platform/PulseServer.h"
#include "platform/PulseTiming.h"
#include "platform/WavPlayer.h"
#include "platform/WavSampleFile.h"

namespace platform {

class PulseWavPlayer final : public WavPlayer {
public:
    // open() and play() give up on a server that does not answer by then.
    static constexpr std::chrono::milliseconds kSetUpLimit{4000};
    // Sound the server holds ahead of the speakers: a busy machine does not
    // run it dry, and a take still starts promptly.
    static constexpr std::chrono::milliseconds kAhead{80};

    explicit PulseWavPlayer(std::shared_ptr<PulseServer> server);
    ~PulseWavPlayer() override;
    PulseWavPlayer(const PulseWavPlayer&) = delete;
    PulseWavPlayer& operator=(const PulseWavPlayer&) = delete;

    void setFileName(const QString& path) override { fileName_ = path; }
    QString fileName() const override { return fileName_; }
    Status open() override;
    Status play() override;
    Status stop() override;
    void close() override;
    bool isOpen() const override { return open_; }
    bool isPlaying() const override { return playing_; }
    std::optional<SoundTime> firstSampleHeardAt() const override;

private:
    // Lock held.
    QString makeStream();
    void dropStream();
    // Loop thread (or the UI thread with the lock held).
    static void StateChanged(pa_stream* stream, void* userdata);
    static void WriteWanted(pa_stream* stream, size_t bytes, void* userdata);
    static void TimingUpdated(pa_stream* stream, void* userdata);
    static void Drained(pa_stream* stream, int success, void* userdata);
    void feed(pa_stream* stream, size_t bytes);


    std::shared_ptr<PulseServer> server_;
    QString fileName_;
    bool open_ = false;
    std::atomic<bool> playing_ = false;

    // Under the loop's lock while a stream exists.
    WavSampleFile file_;
    pa_sample_spec spec_{};
    PulseStreamPtr stream_;
    PulseOperationPtr drain_;
    bool fresh_ = false;    // made, not played yet
    bool feeding_ = false;  // play() has let the stream ask for the file
    bool endOfFile_ = false;
    MomentEstimate firstHeard_{MomentEstimate::Pick::Median};
};

}  // namespace platform
