#include "tests/support/Mp3Probe.h"

#include <QFile>
#include <QRegularExpression>

#include "tests/support/ProgramRun.h"

namespace {

// Output and error text of `program`, or an empty text when it did not run.
QString Run(const QString& program, const QStringList& arguments) {
    const ProgramRun run = RunProgram(program, arguments);
    return run.output + run.errorText;
}

}  // namespace

Mp3Description DescribeMp3(const QString& path) {
    Mp3Description d;
    // mpg123 says "MPEG 1.0 L III cbr128 44100 j-s" at one level of
    // verbosity, and what it found in the tag at three.
    const QString brief =
        Run(QStringLiteral("mpg123"), {QStringLiteral("-t"), QStringLiteral("-v"), path});
    const QString scan =
        Run(QStringLiteral("mpg123"), {QStringLiteral("-t"), QStringLiteral("-vvv"), path});
    d.log = brief + scan;
    static const QRegularExpression header(
        QStringLiteral(R"(MPEG (\S+) L III (\S+) (\d+) (mono|j-s|stereo|dual))"));
    const QRegularExpressionMatch m = header.match(brief);
    if (m.hasMatch()) {
        d.ok = true;
        d.mpegVersion = m.captured(1);
        d.bitRateMode = m.captured(2);
        d.sampleRateHz = m.captured(3).toInt();
        d.mode = m.captured(4);
    }
    d.infoTag = scan.contains(QStringLiteral("Xing/Lame/Info header detected"));
    static const QRegularExpression frames(QStringLiteral(R"(Xing: (\d+) frames)"));
    const QRegularExpressionMatch f = frames.match(scan);
    if (f.hasMatch()) d.tagFrames = f.captured(1).toLongLong();

    const QString probe = Run(QStringLiteral("ffprobe"),
                              {QStringLiteral("-v"), QStringLiteral("error"),
                               QStringLiteral("-show_entries"), QStringLiteral("format=duration"),
                               QStringLiteral("-of"), QStringLiteral("csv=p=0"), path});
    d.log += probe;
    bool isNumber = false;
    const double duration = probe.trimmed().toDouble(&isNumber);
    if (isNumber) d.durationSeconds = duration;
    return d;
}

WavContents DecodeMp3(const QString& path, const QString& wavPath) {
    Run(QStringLiteral("mpg123"), {QStringLiteral("-q"), QStringLiteral("-w"), wavPath, path});
    return ReadWavFile(wavPath);
}

std::vector<Mp3Frame> ReadMp3Frames(const QString& path) {
    static const int kBitRatesMpeg1[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                           112, 128, 160, 192, 224, 256, 320, 0};
    static const int kBitRatesMpeg2[16] = {0,  8,  16, 24,  32,  40,  48,  56,
                                           64, 80, 96, 112, 128, 144, 160, 0};
    static const int kRates[3] = {44100, 48000, 32000};
    std::vector<Mp3Frame> frames;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return frames;
    const QByteArray bytes = file.readAll();
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    int64_t at = 0;
    while (at + 6 <= bytes.size()) {
        if (data[at] != 0xFF || (data[at + 1] & 0xE0) != 0xE0) break;
        const int versionBits = (data[at + 1] >> 3) & 3;  // 3: MPEG-1, 2: MPEG-2, 0: 2.5
        const bool mpeg1 = versionBits == 3;
        const bool crc = (data[at + 1] & 1) == 0;
        const int bitRate = (mpeg1 ? kBitRatesMpeg1 : kBitRatesMpeg2)[data[at + 2] >> 4];
        const int rateIndex = (data[at + 2] >> 2) & 3;
        if (bitRate == 0 || rateIndex == 3 || versionBits == 1) break;
        const int rate = kRates[rateIndex] >> (mpeg1 ? 0 : versionBits == 2 ? 1 : 2);
        const int padding = (data[at + 2] >> 1) & 1;
        Mp3Frame frame;
        frame.offset = at;
        frame.bytes = (mpeg1 ? 144000 : 72000) * bitRate / rate + padding;
        const int64_t side = at + 4 + (crc ? 2 : 0);
        frame.mainDataBegin = mpeg1 ? (data[side] << 1) | (data[side + 1] >> 7) : data[side];
        frames.push_back(frame);
        at += frame.bytes;
    }
    return frames;
}
