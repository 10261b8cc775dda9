#include "workflow/LiveAids.h"

#include <algorithm>

#include "base/Global.h"

LiveAids::LiveAids(Session& session, LiveAidsView& view, platform::LiveInput& input,
                   platform::VoiceMonitor& monitor, std::function<void()> keep)
    : s_(session), view_(view), input_(input), monitor_(monitor), keep_(std::move(keep)) {
    frames_.setInterval(kFrameMs);
    QObject::connect(&frames_, &QTimer::timeout, [this] { Frame(); });
    input_.setBlockHandler(
        [this](const int16_t* samples, size_t count) { meter_.add(samples, count); });
    // A microphone that went away: the meter rests until the next change.
    input_.setFailureHandler([this](const Failure&) { Update(); });
    monitor_.setFailureHandler([this](const Failure& failure) {
        monitorFailed_ = true;
        view_.setLiveNote(QStringLiteral("耳返中断：") + failure.text);
    });
}

std::string LiveAids::Source() const { return microphones_ ? microphones_->InUse() : std::string(); }

void LiveAids::StudioWindowShown(bool shown) {
    studioShown_ = shown;
    Update();
}

void LiveAids::PhaseChanged(TakePhase phase) {
    if (phase == TakePhase::Recording) clipTold_ = false;
    Update();
}

void LiveAids::SetMonitor(bool on) {
    s_.Studio.monitorOn = on;
    monitorFailed_ = false;
    if (keep_) keep_();
    Update();
}

void LiveAids::SetMonitorPercent(int percent) {
    s_.Studio.monitorPercent = std::clamp(percent, 0, 100);
    monitor_.setGain(s_.Studio.monitorPercent / 100.0);
    if (keep_) keep_();
}

void LiveAids::HoldMonitor(bool held) {
    held_ = held;
    Update();
}

void LiveAids::MicrophoneChanged() {
    input_.stop();
    monitor_.stop();
    monitorFailed_ = false;
    Update();
}

void LiveAids::Update() {
    const bool active = studioShown_ || s_.State.phase() == TakePhase::Recording;
    if (active && !input_.running()) {
        // The meter is a help, not part of the take: a microphone that
        // cannot be opened leaves it at silence.
        meter_.reset();
        (void)input_.start(Source(), kMeterRateHz);
    } else if (!active && input_.running()) {
        input_.stop();
    }
    if (active != frames_.isActive()) {
        if (active) {
            frames_.start();
        } else {
            frames_.stop();
            meter_.reset();
            view_.setInputLevel(LevelReading{});
        }
    }
    const bool hear = active && s_.Studio.monitorOn && !held_ && !monitorFailed_;
    if (hear && !monitor_.running()) {
        const Status started = monitor_.start(Source(), s_.Studio.monitorPercent / 100.0);
        if (!started) {
            monitorFailed_ = true;
            view_.setLiveNote(QStringLiteral("耳返无法开启：") + started.failure().text);
        }
    } else if (!hear && monitor_.running()) {
        monitor_.stop();
    }
}

void LiveAids::Frame() {
    const LevelReading reading = meter_.read(platform::SoundClock::now());
    view_.setInputLevel(reading);
    if (reading.clipping && !clipTold_ && s_.State.phase() == TakePhase::Recording) {
        clipTold_ = true;
        s_.View.setStatus(QStringLiteral("正在录制 ") + StripFileExt(s_.MusicFile) +
                          QStringLiteral("... 话筒过载，请调低音量"));
    }
}
