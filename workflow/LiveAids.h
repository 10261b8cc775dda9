#pragma once
// The input level meter and "耳返" (hearing oneself): when they run and
// from which microphone. Both run while the "调音" window is open or a take
// records (the monitor only when the singer has it on, and not while the
// latency test plays its tones); they follow the microphone in use. The
// meter is read kFrameMs apart; a take's status line tells of the first
// clipping in the take. Hearing oneself goes to the speakers only: takes
// record the dry voice.
// UI thread only.

#include <QTimer>
#include <functional>

#include "audio/LevelMeter.h"
#include "platform/LiveInput.h"
#include "platform/VoiceMonitor.h"
#include "workflow/LiveAidsView.h"
#include "workflow/MicrophoneChoice.h"
#include "workflow/Session.h"

class LiveAids {
public:
    static constexpr int kFrameMs = 40;
    static constexpr int kMeterRateHz = 44100;

    LiveAids(Session& session, LiveAidsView& view, platform::LiveInput& input,
             platform::VoiceMonitor& monitor, std::function<void()> keep);

    void UseMicrophones(const MicrophoneChoice* microphones) { microphones_ = microphones; }

    void StudioWindowShown(bool shown);
    void PhaseChanged(TakePhase phase);
    void SetMonitor(bool on);
    void SetMonitorPercent(int percent);
    // The latency test's tones must not come back through the monitor.
    void HoldMonitor(bool held);
    // The microphone in use is another: both streams open it anew.
    void MicrophoneChanged();

    bool meterRunning() const { return input_.running(); }
    bool monitorRunning() const { return monitor_.running(); }

private:
    void Update();
    void Frame();
    std::string Source() const;

    Session& s_;
    LiveAidsView& view_;
    platform::LiveInput& input_;
    platform::VoiceMonitor& monitor_;
    std::function<void()> keep_;
    const MicrophoneChoice* microphones_ = nullptr;
    LevelMeter meter_;
    QTimer frames_;
    bool studioShown_ = false;
    bool held_ = false;
    bool monitorFailed_ = false;  // told; not tried again until asked anew
    bool clipTold_ = false;       // in this take
};
