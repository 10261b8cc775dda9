#pragma once
// Source signals for the decoder tests, encoded to MP3 with the lame
// command-line tool, and the comparison of a decoded signal with its source.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// A sine sweep from `startHz` to `endHz`: never the same twice, so the
// decoded signal lines up with its source at exactly one offset.
std::vector<int16_t> Chirp(double startHz, double endHz, double seconds, int sampleRate,
                           double amplitude = 12000.0);

// A square wave swinging between -32768 and 32767.
std::vector<int16_t> FullScaleSquare(double frequency, double seconds, int sampleRate);

std::vector<int16_t> Interleave(const std::vector<int16_t>& left,
                                const std::vector<int16_t>& right);

// Writes `samples` as a WAV file beside `mp3Path` and encodes it with lame and
// `lameArguments`. Returns lame's complaint, empty on success.
QString EncodeMp3(const QString& mp3Path, int channels, int sampleRate,
                  const std::vector<int16_t>& samples, const QStringList& lameArguments);

// Where a source signal sits in a decoded one (the encoder and the decoder
// delay it) and how closely the two agree there.
struct Alignment {
    int offset = 0;          // decoded[offset + i] matches source[i]
    double correlation = 0;  // normalised, 1 = same shape; 0 when nothing overlaps
    double levelRatio = 0;   // RMS of decoded over RMS of source
    size_t overlap = 0;      // samples compared
};

// Finds the offset in [minOffset, maxOffset] at which source[begin, begin +
// count) agrees best with the decoded signal, and compares that stretch there.
Alignment Align(const std::vector<int16_t>& source, const std::vector<int16_t>& decoded,
                size_t begin, size_t count, int minOffset = 0, int maxOffset = 5000);

// The comparison of `source` at a known offset, over source[begin, end).
Alignment CompareAt(const std::vector<int16_t>& source, const std::vector<int16_t>& decoded,
                    int offset, size_t begin = 0, size_t end = SIZE_MAX);
