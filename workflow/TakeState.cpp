#include "workflow/TakeState.h"

#include <algorithm>

void TakeState::setPhase(TakePhase phase) {
    phase_ = phase;
    view_.setControlTag(WindowControl::Record, phase == TakePhase::Recording ? 1 : 0);
    view_.setControlTag(WindowControl::Play, phase == TakePhase::Previewing ? 1 : 0);
    if (phaseHandler_) phaseHandler_(phase);
}

void TakeState::startClock() {
    elapsed_ = 1;
    clockRunning_ = true;
    view_.setTimerRunning(true);
}

void TakeState::stopClock() {
    clockRunning_ = false;
    view_.setTimerRunning(false);
}

void TakeState::setGaugeMaximum(int maximum) {
    if (maximum == 0) return;
    maximum_ = maximum;
    progress_ = std::clamp(progress_, 0, std::max(maximum_, 0));
    view_.setGauge(progress_, maximum_);
}

void TakeState::setGaugeProgress(int progress) {
    progress_ = std::clamp(progress, 0, std::max(maximum_, 0));
    view_.setGauge(progress_, maximum_);
}
