#pragma once
// The ffmpeg command-line tool for the WMA decoder tests: it makes the WMA
// files (its own wmav1 and wmav2 encoders) from generated signals, and its own
// decoding of a file is what the library's output is held against.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// Runs ffmpeg with `arguments` (quiet, never asking). Its standard output
// goes to `output` when given. Returns its complaint, empty on success.
QString RunFfmpeg(const QStringList& arguments, QByteArray* output = nullptr);

// Encodes interleaved `samples` into `path`; `outputArguments` choose the
// codec and, where the name does not, the container.
QString EncodeWithFfmpeg(const QString& path, int channels, int sampleRate,
                         const std::vector<int16_t>& samples, const QStringList& outputArguments);

// ffmpeg's own decoding of `path` as interleaved signed 16-bit samples, mixed
// down to `channels` when that is not 0. Empty with `failure` set when it
// cannot.
std::vector<int16_t> FfmpegDecode(const QString& path, int channels, QString* failure);
