#include "app/FileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

QString ChooseAccompaniment(QWidget* owner) {
    return QFileDialog::getOpenFileName(
        owner, QString(), QString(),
        QStringLiteral("*.mp3;*.wma (*.mp3 *.wma);;*.wma (*.wma);;*.mp3 (*.mp3)"));
}

QString ChooseMp3Destination(QWidget* owner, const QString& proposedName, const QString& folder) {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("mp3"));
    dialog.setNameFilter(QStringLiteral("*.mp3 (*.mp3)"));
    // Never whatever folder the program happened to be started from.
    QString start = folder;
    if (start.isEmpty() || !QDir(start).exists()) {
        start = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    }
    dialog.setDirectory(QDir(start).exists() ? start : QDir::homePath());
    dialog.selectFile(proposedName);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().first();
}
