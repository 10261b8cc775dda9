#pragma once
// A folder of the fuzz process's own for the files a target writes, in
// memory (/dev/shm) where the machine has it; removed when the process ends.
// The files are written and read with the system's calls alone: for the
// decoders' small inputs, a file class's own work would be a good part of
// each input's time.

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>

// The folder, with a trailing "/".
const QString& FuzzFolder();
// The local path of `name` in the folder.
QByteArray FuzzPath(const QString& name);

// Writes `size` bytes to the file at `path` (created or truncated).
void WriteFuzzFileAt(const char* path, const uint8_t* data, size_t size);
// The whole file at `path`; nothing when there is no such file.
std::optional<QByteArray> ReadFuzzFileAt(const char* path);

// The same by name in the folder; WriteFuzzFile returns the file's path.
QString WriteFuzzFile(const QString& name, const uint8_t* data, size_t size);
QByteArray ReadFuzzFile(const QString& name);
