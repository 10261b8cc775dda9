#include "controls/LevelMeterBar.h"

#include <QAccessible>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "controls/ControlsAccessibility.h"

namespace {

const QColor kTrough(214, 232, 248);
const QColor kFrame(160, 196, 228);
const QColor kFill(133, 206, 238);
const QColor kPeak(0, 0, 128);
const QColor kClip(220, 30, 30);

}  // namespace

LevelMeterBar::LevelMeterBar(QWidget* parent) : QWidget(parent) {
    InstallControlsAccessibility();
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LevelMeterBar::SetLevel(double levelDb, double peakDb, bool clipping) {
    levelDb = std::clamp(levelDb, kFloorDb, 0.0);
    peakDb = std::clamp(peakDb, kFloorDb, 0.0);
    if (levelDb == levelDb_ && peakDb == peakDb_ && clipping == clipping_) return;
    const bool moved = X(levelDb) != X(levelDb_) || X(peakDb) != X(peakDb_) || clipping != clipping_;
    levelDb_ = levelDb;
    peakDb_ = peakDb;
    clipping_ = clipping;
    if (moved) update();
    // Told in whole decibels: screen readers need no more, and fewer events.
    const int told = static_cast<int>(std::lround(levelDb_));
    if (told != toldDb_) {
        toldDb_ = told;
        QAccessibleValueChangeEvent event(this, told);
        QAccessible::updateAccessibility(&event);
    }
}

int LevelMeterBar::X(double db) const {
    const double share = std::clamp((db - kShownFloorDb) / -kShownFloorDb, 0.0, 1.0);
    return static_cast<int>(std::lround(share * (width() - 2)));
}

void LevelMeterBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), kFrame);
    const QRect inside = rect().adjusted(1, 1, -1, -1);
    p.fillRect(inside, kTrough);
    const QColor fill = clipping_ ? kClip : kFill;
    p.fillRect(QRect(inside.left(), inside.top(), X(levelDb_), inside.height()), fill);
    if (peakDb_ > kShownFloorDb) {
        const int peak = inside.left() + std::max(X(peakDb_) - 1, 0);
        p.fillRect(QRect(peak, inside.top(), 2, inside.height()), clipping_ ? kClip : kPeak);
    }
}
