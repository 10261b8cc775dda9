#include "app/PaneFocusSwitch.h"

#include <QApplication>
#include <QShortcut>
#include <QWidget>

PaneFocusSwitch::PaneFocusSwitch(QWidget* window, QWidget* paneHost,
                                 std::function<QWidget*()> pane, QWidget* firstControl)
    : QObject(window),
      window_(window),
      paneHost_(paneHost),
      pane_(std::move(pane)),
      firstControl_(firstControl) {
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_F6), window);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, &PaneFocusSwitch::Switch);
}

bool PaneFocusSwitch::InPane(QWidget* widget) const {
    return widget && (widget == paneHost_ || paneHost_->isAncestorOf(widget));
}

void PaneFocusSwitch::Switch() {
    QWidget* focus = QApplication::focusWidget();
    if (InPane(focus)) {
        QWidget* back = lastControl_ ? lastControl_.data() : firstControl_;
        back->setFocus(Qt::OtherFocusReason);
        return;
    }
    QWidget* pane = pane_();
    if (!pane) return;
    if (focus && window_->isAncestorOf(focus)) lastControl_ = focus;
    pane->setFocus(Qt::OtherFocusReason);
}
