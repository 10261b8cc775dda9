#pragma once
// MP3 files for tests, made by the lame command: accompaniments as a user
// would have them, and reference files to compare the program's own with.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// Encodes the WAV file `wavPath` into `mp3Path` with `lame --quiet` and
// `lameArguments`. Returns lame's complaint, empty on success.
QString LameEncode(const QString& wavPath, const QString& mp3Path,
                   const QStringList& lameArguments = {});

// Writes `samples` as a WAV file beside `mp3Path`, encodes it as LameEncode
// does and removes the WAV file again. Returns lame's complaint, empty on
// success.
QString MakeMp3(const QString& mp3Path, int channels, int sampleRate,
                const std::vector<int16_t>& samples, const QStringList& lameArguments = {});
