#include "controls/TCGauge.h"

#include <QAccessible>
#include <QPainter>
#include <algorithm>

#include "controls/ControlsAccessibility.h"

TCGauge::TCGauge(QWidget* parent) : QWidget(parent) { InstallControlsAccessibility(); }

void TCGauge::ValueChanged() {
    update();
    QAccessibleValueChangeEvent event(this, progress_);
    QAccessible::updateAccessibility(&event);
}

int TCGauge::PercentDone() const {
    const int range = maxValue_ - minValue_;
    return range <= 0 ? 0 : static_cast<int>(int64_t{progress_ - minValue_} * 100 / range);
}

void TCGauge::SetMaxValue(int maximum) {
    if (maximum == 0 || maximum < minValue_ || maximum == maxValue_) return;
    maxValue_ = maximum;
    progress_ = std::clamp(progress_, minValue_, maxValue_);
    ValueChanged();
}

void TCGauge::SetProgress(int progress) {
    const int clamped = std::clamp(progress, minValue_, maxValue_);
    if (clamped == progress_) return;
    progress_ = clamped;
    ValueChanged();
}

void TCGauge::SetForeColor(const QColor& colour) {
    foreColor_ = colour;
    update();
}

void TCGauge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Base));
    const int range = maxValue_ - minValue_;
    const int filled = range <= 0 ? 0 : static_cast<int>(int64_t{width()} * (progress_ - minValue_) / range);
    p.fillRect(QRect(0, 0, filled, height()), foreColor_);
    p.setPen(palette().color(QPalette::Text));
    p.drawText(rect(), Qt::AlignCenter, QStringLiteral("%1%").arg(PercentDone()));
}
