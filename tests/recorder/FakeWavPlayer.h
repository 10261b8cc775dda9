#pragma once
// A player that only says when its first sample was heard, at the moment a
// test chooses: the real player's moment depends on the sound server.

#include "platform/WavPlayer.h"

class FakeWavPlayer final : public platform::WavPlayer {
public:
    std::optional<platform::SoundTime> heardAt;

    void setFileName(const QString& path) override { fileName_ = path; }
    QString fileName() const override { return fileName_; }
    void open() override {}
    void play() override {}
    void stop() override {}
    void close() override {}
    bool isOpen() const override { return true; }
    bool isPlaying() const override { return true; }
    std::optional<platform::SoundTime> firstSampleHeardAt() const override { return heardAt; }

private:
    QString fileName_;
};
