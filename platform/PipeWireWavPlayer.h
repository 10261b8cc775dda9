#pragma once
// WavPlayer over a PipeWire playback stream on the server's default sink:
// a 16-bit PCM WAV file plays at its own rate and channel count (the graph
// resamples), read from disk a cycle at a time on the sound thread, so
// playback goes on while the UI thread is busy and memory does not grow
// with the file. It counts as ended once its last sample has been heard.
// Each play() after the first starts a fresh stream, prepared before it is
// let go, so the file starts from its first sample. Once started it keeps
// the speakers' time against long stalls: fallen behind by more than a
// cycle and kLateMargin, it skips what the speakers played as silence. A
// single missed cycle is not caught yet: the rest of the file then plays
// that cycle late.
// Called from the UI thread only.

#include <QString>
#include <atomic>
#include <chrono>
#include <memory>

#include "platform/MomentEstimate.h"
#include "platform/PipeWireServer.h"
#include "platform/PipeWireStream.h"
#include "platform/WavPlayer.h"
#include "platform/WavSampleFile.h"

namespace platform {

class PipeWireWavPlayer final : public WavPlayer {
public:
    static constexpr std::chrono::milliseconds kSetUpLimit{4000};
    // The graph's cycle the stream asks for: a take starts promptly and a
    // busy machine does not run it dry.
    static constexpr std::chrono::milliseconds kCycle{20};
    // How late the file may fall behind the speakers before it skips.
    static constexpr std::chrono::milliseconds kLateMargin{50};

    explicit PipeWireWavPlayer(std::shared_ptr<PipeWireServer> server);
    ~PipeWireWavPlayer() override;
    PipeWireWavPlayer(const PipeWireWavPlayer&) = delete;
    PipeWireWavPlayer& operator=(const PipeWireWavPlayer&) = delete;

    void setFileName(const QString& path) override { fileName_ = path; }
    QString fileName() const override { return fileName_; }
    Status open() override;
    Status play() override;
    Status stop() override;
    void close() override;
    bool isOpen() const override { return open_; }
    bool isPlaying() const override;
    std::optional<SoundTime> firstSampleHeardAt() const override;

private:
    // Lock held.
    QString makeStream();
    void dropStream();
    // Loop thread.
    static void StateChanged(void* data, pw_stream_state old, pw_stream_state state,
                             const char* error);
    static void Process(void* data);
    static void Drained(void* data);
    void feed();

    std::shared_ptr<PipeWireServer> server_;
    QString fileName_;
    bool open_ = false;
    std::atomic<bool> playing_ = false;
    // Once the stream has drained: when its last sample is heard.
    std::atomic<SoundClock::rep> endsAt_ = 0;

    // Under the loop's lock while a stream exists.
    WavSampleFile file_;
    std::unique_ptr<PipeWireStream> stream_;
    bool fresh_ = false;    // made, not played yet
    bool feeding_ = false;  // play() has let the stream ask for the file
    bool endOfFile_ = false;
    int64_t framesQueued_ = 0;  // of the file, since play()
    SoundTime lastFrameHeard_{};  // of what has been queued
    MomentEstimate firstHeard_{MomentEstimate::Pick::Median};
};

}  // namespace platform
