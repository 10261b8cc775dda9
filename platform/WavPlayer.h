#pragma once
// The player of WAV work files behind the main window: it plays bgsound.wav
// during a take and mix.wav during a preview. One file at a time; playback
// runs on its own and never blocks the caller. Operations that fail raise
// MediaPlayerError, whose text is meant for the error box. Called from the UI
// thread only.

#include <QString>
#include <optional>
#include <stdexcept>

#include "platform/SoundClock.h"

namespace platform {

class MediaPlayerError : public std::runtime_error {
public:
    explicit MediaPlayerError(const QString& text) : std::runtime_error(text.toStdString()) {}
    QString text() const { return QString::fromUtf8(what()); }
};

// The text of Play or Stop on a player with no file open.
inline constexpr char kNoFileOpenText[] = "No MCI device open";

class WavPlayer {
public:
    virtual ~WavPlayer() = default;

    // The file that the next open() opens.
    virtual void setFileName(const QString& path) = 0;
    virtual QString fileName() const = 0;

    // Closes any open file, then opens the named one. Raises MediaPlayerError
    // when the file is missing, is no playable WAV file or there is no sound
    // output; nothing is open afterwards then.
    virtual void open() = 0;

    // Starts playback from the beginning of the open file and returns at once.
    virtual void play() = 0;

    // Stops playback; the file stays open.
    virtual void stop() = 0;

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
