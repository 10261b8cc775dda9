#pragma once
// The main window's side of the mixer: the microphone slider (TrackBarIn)
// and the playback slider (TrackBarOut), 0 to 10, follow and set the
// mixer's volumes. Positions set by the program (at start and after a change
// notification) are made with the slider's handler detached, so they are
// never written back to the mixer. UI thread only.

#include <QMetaObject>
#include <QObject>

#include "audio/TMixer.h"

class QSlider;

// Slider position for a volume fraction: the fraction rounded to the nearest
// tenth, halves going up (integer part of (fraction + 0.05) × 10).
int VolumeToSliderPosition(float fraction);

class MixerBinding final : public QObject {
public:
    // The sliders and the mixer must outlive the binding.
    MixerBinding(QSlider* trackBarIn, QSlider* trackBarOut, TMixer& mixer,
                 QObject* parent = nullptr);

    // The receiver of the mixer's change notifications, to pass to TMixer::Open.
    TMixer::ChangeHandler NotificationTarget();

    // Shows the mixer's current volumes on both sliders.
    void PositionSliders();

    void TrackBarInChange();
    void TrackBarOutChange();

    // A line of the mixer changed: the slider of that line shows its volume.
    void SyncSliderFromMixer(platform::MixerHandle handle);

private:
    void PositionIn(float volume);
    void PositionOut(float volume);

    QSlider* trackBarIn_;
    QSlider* trackBarOut_;
    TMixer& mixer_;
    QMetaObject::Connection inChange_;
    QMetaObject::Connection outChange_;
};
