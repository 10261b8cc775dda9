#include "tests/support/TempDir.h"

#include <QFile>

TempDir::TempDir() : dir_(QDir::tempPath() + QStringLiteral("/tavimo-test-XXXXXX")) {}

QString TempDir::path(const QString& name) const {
    return name.isEmpty() ? dir_.path() : dir_.filePath(name);
}

QString TempDir::write(const QString& name, const QByteArray& bytes) const {
    QFile file(path(name));
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
    return path(name);
}

QByteArray TempDir::read(const QString& name) const {
    QFile file(path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
