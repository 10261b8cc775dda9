#pragma once
// A fresh folder for one test, removed with its contents afterwards.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class TempDir {
public:
    TempDir();
    // Path of `name` inside the folder.
    QString path(const QString& name = QString()) const;
    std::string file(const QString& name) const { return path(name).toStdString(); }
    // Writes `bytes` to `name`, returns its path.
    QString write(const QString& name, const QByteArray& bytes) const;
    QByteArray read(const QString& name) const;

private:
    QTemporaryDir dir_;
};
