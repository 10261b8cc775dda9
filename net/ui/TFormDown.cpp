#include "net/ui/TFormDown.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace {

// The program's main window: the top-level window named "FormMain".
QWidget* MainWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("FormMain") && widget->isVisible()) return widget;
    }
    return nullptr;
}

}  // namespace

TFormDown::TFormDown()
    : QWidget(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      ProgressBar(new QProgressBar(this)),
      ButtonCancel(new QPushButton(QStringLiteral("取消"), this)),
      LabelProgress(new QLabel(this)),
      LabelTotal(new QLabel(this)) {
    setObjectName(QStringLiteral("FormDown"));
    setWindowTitle(QStringLiteral("正在下载文件"));
    setFixedSize(360, 117);

    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setGeometry(32, 49, 297, 16);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    ButtonCancel->setGeometry(216, 80, 75, 25);
    LabelProgress->setObjectName(QStringLiteral("LabelProgress"));
    LabelProgress->setGeometry(24, 13, 321, 33);
    LabelProgress->setWordWrap(true);
    LabelProgress->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LabelTotal->setObjectName(QStringLiteral("LabelTotal"));
    LabelTotal->setGeometry(24, 72, 102, 12);

    connect(ButtonCancel, &QPushButton::clicked, this, &TFormDown::ButtonCancelClick);
}

void TFormDown::ButtonCancelClick() { Cancelled = true; }

void TFormDown::closeEvent(QCloseEvent* event) {
    // The download owns the window until it returns; a close asks it to stop.
    Cancelled = true;
    event->ignore();
}

void TFormDown::CentreOnMainWindow() {
    const QWidget* main = MainWindow();
    const QRect area =
        main ? main->frameGeometry() : (screen() ? screen()->availableGeometry() : QRect());
    if (area.isEmpty()) return;
    move(area.center() - QPoint(width() / 2, height() / 2));
}
