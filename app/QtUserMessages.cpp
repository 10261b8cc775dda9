#include "app/QtUserMessages.h"

#include <QApplication>
#include <QMessageBox>

QString ApplicationTitle() { return QStringLiteral("QUAVIRO录歌"); }

namespace {
QWidget* Owner() { return QApplication::activeWindow(); }
}  // namespace

void QtUserMessages::messageBox(const QString& text, const QString& caption) {
    QMessageBox::information(Owner(), caption, text);
}

void QtUserMessages::simpleMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), text, QMessageBox::Ok, Owner());
    box.exec();
}

void QtUserMessages::errorBox(const QString& text) {
    QMessageBox::critical(Owner(), ApplicationTitle(), text);
}
