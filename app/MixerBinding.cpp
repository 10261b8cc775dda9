#include "app/MixerBinding.h"

#include <QPointer>
#include <QSlider>

int VolumeToSliderPosition(float fraction) {
    return static_cast<int>((static_cast<double>(fraction) + 0.05) * 10);
}

MixerBinding::MixerBinding(QSlider* trackBarIn, QSlider* trackBarOut, TMixer& mixer,
                           QObject* parent)
    : QObject(parent), trackBarIn_(trackBarIn), trackBarOut_(trackBarOut), mixer_(mixer) {
    inChange_ = connect(trackBarIn_, &QSlider::valueChanged, this, &MixerBinding::TrackBarInChange);
    outChange_ =
        connect(trackBarOut_, &QSlider::valueChanged, this, &MixerBinding::TrackBarOutChange);
}

TMixer::ChangeHandler MixerBinding::NotificationTarget() {
    return [binding = QPointer<MixerBinding>(this)](platform::MixerHandle handle) {
        if (binding) binding->SyncSliderFromMixer(handle);
    };
}

void MixerBinding::PositionIn(float volume) {
    disconnect(inChange_);
    trackBarIn_->setValue(VolumeToSliderPosition(volume));
    inChange_ = connect(trackBarIn_, &QSlider::valueChanged, this, &MixerBinding::TrackBarInChange);
}

void MixerBinding::PositionOut(float volume) {
    disconnect(outChange_);
    trackBarOut_->setValue(VolumeToSliderPosition(volume));
    outChange_ =
        connect(trackBarOut_, &QSlider::valueChanged, this, &MixerBinding::TrackBarOutChange);
}

void MixerBinding::PositionSliders() {
    PositionIn(mixer_.GetMicVolume());
    PositionOut(mixer_.GetMasterVolume());
}

void MixerBinding::TrackBarInChange() {
    mixer_.SetMicVolume(static_cast<float>(trackBarIn_->value() * 0.1));
}

void MixerBinding::TrackBarOutChange() {
    mixer_.SetMasterVolume(static_cast<float>(trackBarOut_->value() * 0.1));
}

void MixerBinding::SyncSliderFromMixer(platform::MixerHandle handle) {
    if (handle == mixer_.RecordingHandle()) {
        PositionIn(mixer_.GetMicVolume());
    } else {
        PositionOut(mixer_.GetMasterVolume());
    }
}
