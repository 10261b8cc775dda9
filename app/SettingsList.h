#pragma once
// The settings list file beside the program: lines that the program carries
// through a run unchanged. Lines are kept as bytes, so text in any encoding,
// NUL bytes and long lines come back as they were read.

#include <QByteArray>
#include <QList>
#include <QString>

class SettingsList {
public:
    // Reads the file's lines (ended by CR LF, LF or CR). A missing or
    // unreadable file gives an empty list and false.
    bool LoadFromFile(const QString& path);

    // Writes every line followed by CR LF. The new contents go to a file
    // beside the old one that then replaces it, so a crash or a full disk
    // never leaves a half-written settings file. Returns false on failure.
    bool SaveToFile(const QString& path) const;

    QList<QByteArray> Lines;
};
