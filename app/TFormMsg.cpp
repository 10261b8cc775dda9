#include "app/TFormMsg.h"

#include <QLabel>

#include "app/WindowLook.h"

TFormMsg::TFormMsg(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setWindowTitle(QString());
    setFixedSize(329, 66);
    SetBackground(this, QColor(194, 223, 252));
    setFont(WindowFont(12));
    LabelMsg = new QLabel(this);
    LabelMsg->move(24, 24);
}

void TFormMsg::ShowCentred() {
    LabelMsg->adjustSize();
    if (QWidget* owner = parentWidget()) {
        const QPoint centre = owner->mapToGlobal(owner->rect().center());
        move(centre - rect().center());
    }
    show();
}
