#pragma once
// A player for the situations the real one cannot produce on demand: an
// open or a start that fails, and the moment its first sample was heard
// told when a test chooses. It keeps the state the real one keeps (open,
// playing) and fails as the real one does when nothing is open.

#include <QFile>
#include <optional>

#include "platform/WavPlayer.h"

class FakeWavPlayer final : public platform::WavPlayer {
public:
    std::optional<platform::SoundTime> heardAt;
    // Failures to produce.
    std::optional<Failure> openFailure;
    std::optional<Failure> playFailure;

    void setFileName(const QString& path) override { fileName_ = path; }
    QString fileName() const override { return fileName_; }
    Status open() override {
        close();
        if (openFailure) return *openFailure;
        if (!QFile::exists(fileName_)) return platform::PlayerFailure("no such file " + fileName_);
        open_ = true;
        return {};
    }
    Status play() override {
        if (!open_) return platform::PlayerFailure(platform::kNoFileOpenText);
        if (playFailure) return *playFailure;
        playing_ = true;
        return {};
    }
    Status stop() override {
        if (!open_) return platform::PlayerFailure(platform::kNoFileOpenText);
        playing_ = false;
        return {};
    }
    void close() override { open_ = playing_ = false; }
    bool isOpen() const override { return open_; }
    bool isPlaying() const override { return playing_; }
    std::optional<platform::SoundTime> firstSampleHeardAt() const override { return heardAt; }

private:
    QString fileName_;
    bool open_ = false;
    bool playing_ = false;
};
