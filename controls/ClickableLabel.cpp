#include "controls/ClickableLabel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "controls/ControlsAccessibility.h"

namespace {
// The teal of the main window's texts.
const QColor kFocusColour(0, 128, 128);
}  // namespace

ClickableLabel::ClickableLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    InstallControlsAccessibility();
    // Tab only: a click leaves the focus where it was.
    setFocusPolicy(Qt::TabFocus);
}

void ClickableLabel::Activate() {
    if (isEnabled()) emit clicked();
}

void ClickableLabel::mousePressEvent(QMouseEvent* event) {
    // Accepting the press keeps it from reaching the window, where it would
    // start a drag.
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click) Activate();
}

void ClickableLabel::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key != Qt::Key_Space && key != Qt::Key_Return && key != Qt::Key_Enter) {
        QLabel::keyPressEvent(event);
        return;
    }
    event->accept();
    if (!event->isAutoRepeat()) Activate();
}

void ClickableLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    // Only focus moved by the keyboard shows; the window's first focus does not.
    if (!hasFocus() || !window()->testAttribute(Qt::WA_KeyboardFocusChange)) return;
    QPainter painter(this);
    painter.setPen(QPen(kFocusColour, 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
