#pragma once
// The player of WAV work files behind the main window: it plays bgsound.wav
// during a take and mix.wav during a preview. One file at a time; playback
// runs on its own and never blocks the caller. Operations that fail say why
// in a failure meant for the error box (PlayerFailure). Called from the UI
// thread only.

#include <QString>
#include <optional>

#include "base/Result.h"
#include "platform/SoundClock.h"

namespace platform {

inline Failure PlayerFailure(const QString& text, FailureCause cause = FailureCause::NoSound) {
    return {cause, text, FailureNotice::ErrorBox};
}

// The text of Play or Stop on a player with no file open.
inline constexpr char kNoFileOpenText[] = "No MCI device open";

class WavPlayer {
public:
    virtual ~WavPlayer() = default;

    // The file that the next open() opens.
    virtual void setFileName(const QString& path) = 0;
    virtual QString fileName() const = 0;

    // Closes any open file, then opens the named one. Fails when the file is
    // missing, is no playable WAV file or there is no sound output; nothing
    // is open afterwards then.
    virtual Status open() = 0;

    // Starts playback from the beginning of the open file and returns at
    // once. Play and stop fail with kNoFileOpenText when no file is open.
    virtual Status play() = 0;

    // Stops playback; the file stays open.
    virtual Status stop() = 0;

    // Releases the file; nothing happens when none is open.
    virtual void close() = 0;

    virtual bool isOpen() const = 0;
    // True from play() until stop(), close() or the end of the file.
    virtual bool isPlaying() const = 0;

    // When the first sample of the file, as the last play() started it, came
    // out of the speakers, as soon as the sound server has told; empty
    // before, and after stop() or close().
    virtual std::optional<SoundTime> firstSampleHeardAt() const = 0;
};

}  // namespace platform
