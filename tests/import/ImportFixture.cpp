#include "tests/import/ImportFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "controls/ClickableLabel.h"
#include "controls/TCGauge.h"
#include "controls/TEzRgnBtn.h"
#include "controls/TImageList.h"
#include "tests/decoder/Mp3Sources.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/WavFiles.h"

QByteArray HeaderBytes(const WavHeader& header) {
    return QByteArray(reinterpret_cast<const char*>(&header), sizeof header);
}

WavHeader Header(int channels, int sampleRate, int bitsPerSample) {
    WavHeader header;
    InitWavHeader(header, channels, sampleRate, bitsPerSample);
    return header;
}

bool IsMapped(const QString& path) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly)) return false;
    const QByteArray wanted = QFileInfo(path).canonicalFilePath().toLocal8Bit();
    const QByteArray all = maps.readAll();
    for (const QByteArray& line : all.split('\n')) {
        if (line.endsWith(" " + wanted)) return true;
    }
    return false;
}

ImportTest::ImportTest() = default;

ImportTest::~ImportTest() { window.reset(); }

void ImportTest::OpenWindow() {
    window = std::make_unique<TFormMain>(dir.path("tavimo"));
    // Nobody sits at the screen.
    window->OpenDialog = [] { return QString(); };
    window->SaveDialog = [](const QString&) { return QString(); };
    window->move(100, 100);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
}

ImportView ImportTest::View() const {
    ImportView v;
    const TFormMain& w = *window;
    v.musicFile = w.MusicFile;
    v.labelCur = w.LabelCur->text();
    v.timeTotal = w.LabelTimeTotal->text();
    v.timeDone = w.LabelTimeDone->text();
    v.recordHint = w.EzRgnBtnRecord->toolTip();
    v.recordFace = w.EzRgnBtnRecord->PicIdle();
    v.gaugeMax = w.ProgressBar->MaxValue();
    v.gaugeProgress = w.ProgressBar->Progress();
    v.format = HeaderBytes(w.CurrentFormat);
    v.recordTag = w.EzRgnBtnRecord->Tag();
    v.playTag = w.EzRgnBtnPlay->Tag();
    v.selectEnabled = w.LabelSelbanzou->isEnabled();
    v.recordEnabled = w.EzRgnBtnRecord->Enabled();
    v.playEnabled = w.EzRgnBtnPlay->Enabled();
    v.saveEnabled = w.EzRgnBtnSave->Enabled();
    v.uploadEnabled = w.EzRgnBtnUpload->Enabled();
    v.timerActive = w.TimerText->isActive();
    return v;
}

void ImportTest::AfterEarlierTake() {
    TFormMain& w = *window;
    w.LabelTimeTotal->setText(QStringLiteral("/01:23"));
    w.State.setGaugeMaximum(83);
    w.State.setGaugeProgress(40);
    w.LabelTimeDone->setText(QStringLiteral("00:17"));
    w.EzRgnBtnRecord->setToolTip(QStringLiteral("重新录歌"));
    w.EzRgnBtnRecord->SetFace(*w.ImageListStart, 2);
    w.EzRgnBtnPlay->SetEnabled(true);
    w.EzRgnBtnSave->SetEnabled(true);
    InitWavHeader(w.CurrentFormat, 2, 22050, 16);
}

QString ImportTest::InstallOstrel(const QString& library) {
    const QString from =
        library.isEmpty() ? QStringLiteral(TAVIMO_PROGRAM_DIR "/ostrel.so") : library;
    const QString to = dir.path("ostrel.so");
    QFile::remove(to);
    EXPECT_TRUE(QFile::copy(from, to)) << from.toStdString();
    return to;
}

QString ImportTest::InstallPellin() {
    const QString to = dir.path("pellin.so");
    QFile::remove(to);
    EXPECT_TRUE(QFile::copy(QStringLiteral(TAVIMO_PROGRAM_DIR "/pellin.so"), to));
    return to;
}

QString ImportTest::MakeWma(const QString& name, int channels, int sampleRate, double seconds,
                            double frequency) {
    const QString path = dir.path(name);
    const ProgramRun run =
        RunProgram("ffmpeg", {"-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                              QStringLiteral("sine=frequency=%1:sample_rate=%2:duration=%3")
                                  .arg(frequency)
                                  .arg(sampleRate)
                                  .arg(seconds),
                              "-ac", QString::number(channels), "-c:a", "wmav2", "-b:a", "128k",
                              "-f", "asf", path});
    EXPECT_EQ(0, run.exitCode) << run.errorText.toStdString();
    return path;
}

QString ImportTest::StandIn(const char* kind) const {
    return QStringLiteral(TAVIMO_STAND_IN_OSTREL_DIR "/ostrel_%1/ostrel.so")
        .arg(QLatin1String(kind));
}

QString ImportTest::MakeMp3(const QString& name, int channels, int sampleRate, double seconds,
                            double frequency) {
    const QString path = dir.path(name);
    QDir().mkpath(QFileInfo(path).path());
    const QString complaint =
        EncodeMp3(path, channels, sampleRate, SineSamples(frequency, seconds, sampleRate, channels),
                  QStringList{});
    EXPECT_EQ("", complaint.toStdString());
    QFile::remove(path + QStringLiteral(".source.wav"));
    return path;
}

void ImportTest::WriteBgsound(const WavHeader& header, int64_t dataBytes) const {
    QFile file(Bgsound());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(44, file.write(HeaderBytes(header)));
    ASSERT_TRUE(file.resize(44 + dataBytes));
}
