#include "fuzz/FuzzFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "fuzz/FuzzCheck.h"

const QString& FuzzFolder() {
    static const QTemporaryDir dir((QDir(QStringLiteral("/dev/shm")).exists()
                                        ? QStringLiteral("/dev/shm")
                                        : QDir::tempPath()) +
                                   QStringLiteral("/tavimo-fuzz-XXXXXX"));
    static const QString path = dir.path() + QLatin1Char('/');
    FuzzCheck(dir.isValid(), "no folder for the fuzz files");
    return path;
}

QString WriteFuzzFile(const QString& name, const uint8_t* data, size_t size) {
    const QString path = FuzzFolder() + name;
    QFile file(path);
    FuzzCheck(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write a fuzz file");
    FuzzCheck(file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) ==
                  static_cast<qint64>(size),
              "cannot write a fuzz file");
    return path;
}

QByteArray ReadFuzzFile(const QString& name) {
    QFile file(FuzzFolder() + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
