#include "tests/support/Mp3Files.h"

#include <QFile>
#include <QFileInfo>

#include "tests/support/ProgramRun.h"
#include "tests/support/WavFiles.h"

namespace {

// Long songs take lame a while on a busy machine.
constexpr int kLameTimeoutMs = 120000;

}  // namespace

QString LameEncode(const QString& wavPath, const QString& mp3Path,
                   const QStringList& lameArguments) {
    const ProgramRun lame = RunProgram(
        QStringLiteral("lame"),
        QStringList{QStringLiteral("--quiet")} + lameArguments + QStringList{wavPath, mp3Path},
        kLameTimeoutMs);
    if (!lame.finished) return QStringLiteral("lame did not run to its end");
    if (lame.exitCode != 0) return QStringLiteral("lame failed: ") + lame.errorText + lame.output;
    if (QFileInfo(mp3Path).size() == 0) return QStringLiteral("lame wrote nothing");
    return QString();
}

QString MakeMp3(const QString& mp3Path, int channels, int sampleRate,
                const std::vector<int16_t>& samples, const QStringList& lameArguments) {
    const QString wavPath = mp3Path + QStringLiteral(".source.wav");
    WriteWavFile(wavPath, channels, sampleRate, samples);
    const QString complaint = LameEncode(wavPath, mp3Path, lameArguments);
    QFile::remove(wavPath);
    return complaint;
}
