#pragma once
// WavPlayer over Qt Multimedia: a 16-bit PCM WAV file plays on the default
// sound output at its own rate and channel count (the header's three format
// fields), streamed from disk from byte 44 to the end of the file, so memory
// does not grow with the file. The sound device is fed on a thread of the
// player's own, so playback goes on while the UI thread is busy. Called from
// the UI thread only.

#include <QString>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>

#include "platform/WavPlayer.h"

class QObject;

namespace platform {

class QtWavPlayer final : public WavPlayer {
public:
    QtWavPlayer();
    ~QtWavPlayer() override;
    QtWavPlayer(const QtWavPlayer&) = delete;
    QtWavPlayer& operator=(const QtWavPlayer&) = delete;

    void setFileName(const QString& path) override { fileName_ = path; }
    QString fileName() const override { return fileName_; }
    void open() override;
    void play() override;
    void stop() override;
    void close() override;
    bool isOpen() const override { return open_; }
    bool isPlaying() const override { return playing_; }

private:
    class Stream;

    // Runs `work` on the audio thread and waits for it.
    void onAudioThread(const std::function<void()>& work);
    void requireOpen() const;

    QString fileName_;
    bool open_ = false;
    std::atomic<bool> playing_ = false;
    QThread thread_;
    std::unique_ptr<QObject> context_;  // lives on thread_
    std::unique_ptr<Stream> stream_;    // used on thread_ only
};

}  // namespace platform
