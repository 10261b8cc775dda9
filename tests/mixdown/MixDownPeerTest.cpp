// The mix read back by other programs: sox and ffprobe must see the channels,
// rate and length that the mix was made with.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "audio/MixDown.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/RecordedMessages.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFiles.h"

namespace {

QString Run(const QString& program, const QStringList& arguments) {
    const ProgramRun run = RunProgram(program, arguments);
    if (!run.finished || run.exitCode != 0) {
        ADD_FAILURE() << program.toStdString() << " failed: " << run.errorText.toStdString();
        return QString();
    }
    return run.output.trimmed();
}

struct Seen {
    int channels = 0;
    int sampleRate = 0;
    qint64 frames = 0;
};

Seen BySox(const QString& path) {
    return {Run("sox", {"--i", "-c", path}).toInt(), Run("sox", {"--i", "-r", path}).toInt(),
            Run("sox", {"--i", "-s", path}).toLongLong()};
}

Seen ByFfprobe(const QString& path) {
    const QString json = Run("ffprobe", {"-v", "error", "-select_streams", "a:0", "-show_streams",
                                         "-count_packets", "-of", "json", path});
    const QJsonObject stream =
        QJsonDocument::fromJson(json.toUtf8()).object()["streams"].toArray().first().toObject();
    return {stream["channels"].toInt(), stream["sample_rate"].toString().toInt(),
            stream["duration_ts"].toVariant().toLongLong()};
}

}  // namespace

TEST(MixDownPeers, SoxAndFfprobeReadTheMixAsMade) {
    struct Case {
        int channels, sampleRate;
        double accompanimentSeconds, voiceSeconds;
    };
    for (const Case c : {Case{2, 44100, 2.0, 3.5}, Case{1, 22050, 4.0, 1.0}}) {
        SCOPED_TRACE(c.channels);
        TempDir dir;
        RecordedMessages messages;
        WriteWavFile(dir.path("bgsound.wav"), c.channels, c.sampleRate,
                     SineSamples(330, c.accompanimentSeconds, c.sampleRate, c.channels));
        WriteWavFile(dir.path("record.wav"), 1, c.sampleRate,
                     SineSamples(550, c.voiceSeconds, c.sampleRate, 1));
        WavHeader format;
        InitWavHeader(format, 1, 44100, 16);
        ASSERT_TRUE(MixDown(dir.path(), format));
        const qint64 frames =
            std::llround(std::max(c.accompanimentSeconds, c.voiceSeconds) * c.sampleRate);
        const QString mix = dir.path("mix.wav");
        const Seen sox = BySox(mix);
        EXPECT_EQ(c.channels, sox.channels);
        EXPECT_EQ(c.sampleRate, sox.sampleRate);
        EXPECT_EQ(frames, sox.frames);
        const Seen ffprobe = ByFfprobe(mix);
        EXPECT_EQ(c.channels, ffprobe.channels);
        EXPECT_EQ(c.sampleRate, ffprobe.sampleRate);
        EXPECT_EQ(frames, ffprobe.frames);
    }
}
