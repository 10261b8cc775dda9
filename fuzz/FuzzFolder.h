#pragma once
// A folder of the fuzz process's own for the files a target writes, in
// memory (/dev/shm) where the machine has it; removed when the process ends.

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

// The folder, with a trailing "/".
const QString& FuzzFolder();

// Writes `size` bytes to `name` in the folder; returns the file's path.
QString WriteFuzzFile(const QString& name, const uint8_t* data, size_t size);
QByteArray ReadFuzzFile(const QString& name);
