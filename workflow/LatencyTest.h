#pragma once
// "测试延迟": plays the calibration sweeps on the speakers, records them
// through the microphone in use as a take would (lined up by what the sound
// server reports, without any correction), and finds how much later they
// really came. That difference is kept for the pair of speakers and
// microphone, and later takes on the pair get it. When the sweeps are not
// heard, or heard at odd delays or beyond the limit, it says so and the
// kept value stays. The work files are latency-tones.wav and latency.wav in
// the temp folder; record.wav stays the last take's.
// UI thread only.

#include <QTimer>
#include <memory>

#include "audio/CalibrationTones.h"
#include "audio/TAudioRecord.h"
#include "platform/WavPlayer.h"
#include "workflow/LatencyCorrections.h"
#include "workflow/LiveAids.h"
#include "workflow/LiveAidsView.h"
#include "workflow/MicrophoneChoice.h"
#include "workflow/Session.h"

class LatencyTest {
public:
    LatencyTest(Session& session, LiveAidsView& view, TAudioRecord& recorder,
                platform::WavPlayer& player, const MicrophoneChoice& microphones,
                LiveAids& aids, LatencyCorrections& corrections);

    void Run();
    // Ends a test under way without a verdict (the window closes).
    void Cancel();
    void ClearCorrection();
    // Shows the correction of the pair in use now.
    void ShowCorrection();
    bool running() const { return running_; }

    // What a take on the pair in use records from and how it is corrected.
    VoiceInput ForTake() const;

private:
    void Finish();
    void Refuse(const QString& note);

    Session& s_;
    LiveAidsView& view_;
    TAudioRecord& recorder_;
    platform::WavPlayer& player_;
    const MicrophoneChoice& microphones_;
    LiveAids& aids_;
    LatencyCorrections& corrections_;
    calibration::ToneSeries tones_;
    QTimer done_;
    bool running_ = false;
    std::unique_ptr<TakeState::BusyScope> busy_;  // no take while the sweeps play
};
