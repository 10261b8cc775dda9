#include "tests/decoder/FfmpegTool.h"

#include <QFileInfo>
#include <QProcess>
#include <cstring>

#include "tests/support/WavFiles.h"

QString RunFfmpeg(const QStringList& arguments, QByteArray* output) {
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 QStringList{"-hide_banner", "-nostdin", "-loglevel", "error", "-y"} + arguments);
    if (!ffmpeg.waitForStarted(10000)) return QStringLiteral("ffmpeg did not start");
    if (!ffmpeg.waitForFinished(120000)) {
        ffmpeg.kill();
        ffmpeg.waitForFinished(5000);
        return QStringLiteral("ffmpeg did not finish");
    }
    if (output) *output = ffmpeg.readAllStandardOutput();
    if (ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0)
        return QStringLiteral("ffmpeg failed: ") +
               QString::fromLocal8Bit(ffmpeg.readAllStandardError());
    return QString();
}

QString EncodeWithFfmpeg(const QString& path, int channels, int sampleRate,
                         const std::vector<int16_t>& samples, const QStringList& outputArguments) {
    const QString wavPath = path + QStringLiteral(".source.wav");
    WriteWavFile(wavPath, channels, sampleRate, samples);
    const QString failure =
        RunFfmpeg(QStringList{"-i", wavPath} + outputArguments + QStringList{path});
    if (!failure.isEmpty()) return failure;
    if (QFileInfo(path).size() == 0) return QStringLiteral("ffmpeg wrote nothing");
    return QString();
}

std::vector<int16_t> FfmpegDecode(const QString& path, int channels, QString* failure) {
    QStringList arguments{"-i", path};
    if (channels > 0) arguments << "-ac" << QString::number(channels);
    arguments << "-f"
              << "s16le"
              << "-";
    QByteArray pcm;
    *failure = RunFfmpeg(arguments, &pcm);
    std::vector<int16_t> samples(static_cast<size_t>(pcm.size()) / 2);
    if (failure->isEmpty()) std::memcpy(samples.data(), pcm.constData(), samples.size() * 2);
    return failure->isEmpty() ? samples : std::vector<int16_t>{};
}
