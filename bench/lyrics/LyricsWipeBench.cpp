// A 60-second take on the real main window over an accompaniment whose
// lyrics wipe all the time (a line every 5 s, twelve characters each), with
// the real player and recorder. The window's own thread is timed: the CPU it
// takes against 3 % of one core, and the frames of the wiping line it draws
// a second against 30.
#include <time.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/TFormMain.h"
#include "audio/WavHeader.h"
#include "audio/WavWriter.h"
#include "controls/LyricLabel.h"
#include "controls/TEzRgnBtn.h"

namespace {

constexpr int kSeconds = 60;
constexpr int kRate = 44100;

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + now.tv_nsec / 1e9;
}

bool WriteAccompaniment(const QString& path, int seconds) {
    WavHeader format;
    InitWavHeader(format, 2, kRate, 16);
    WavWriter writer;
    if (!writer.create(QFile::encodeName(path).toStdString(), format)) return false;
    std::vector<int16_t> second(size_t(kRate) * 2);
    for (int i = 0; i < kRate; ++i)
        second[2 * i] = second[2 * i + 1] = int16_t(3000 * std::sin(2 * M_PI * 440 * i / kRate));
    for (int s = 0; s < seconds; ++s)
        if (!writer.append(second.data(), second.size() * 2)) return false;
    return writer.finish();
}

void Line(const char* name, double ours, const char* unit, double limit, double ratio) {
    std::printf("bench %s: ours %.2f %s, limit %.0f %s, ratio %.2f (target 1)\n", name, ours, unit,
                limit, unit, ratio);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("temp"));
    TFormMain window(dir.filePath("tavimo"));
    if (!WriteAccompaniment(dir.filePath("temp/bgsound.wav"), kSeconds + 2)) return 1;
    QString lrc = "[ar:bench]\n";
    for (int s = 2; s < kSeconds; s += 5)
        lrc += QString::asprintf("[%02d:%02d.00]", s / 60, s % 60) + QString(12, u'啦') + "\n";
    QFile file(dir.filePath("song.lrc"));
    if (!file.open(QIODevice::WriteOnly) || file.write(lrc.toUtf8()) < 0) return 1;
    file.close();
    window.MusicFile = dir.filePath("song.mp3");
    window.CurrentFormat.channels = 2;
    window.State.setGaugeMaximum(kSeconds + 2);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;

    window.EzRgnBtnRecord->Click();
    const double cpuBefore = ThreadCpuSeconds();
    const int framesBefore = window.LabelText->framesWithFill();
    QTest::qWait(kSeconds * 1000);
    const double cpu = ThreadCpuSeconds() - cpuBefore;
    const double frames = (window.LabelText->framesWithFill() - framesBefore) / double(kSeconds);
    window.EzRgnBtnRecord->Click();

    const double percent = 100 * cpu / kSeconds;
    Line("lyrics-wipe-cpu", percent, "%", 3, percent / 3);
    Line("lyrics-wipe-frames", frames, "/s", 30, frames > 0 ? 30 / frames : 99);
    return percent <= 3 && frames >= 30 ? 0 : 1;
}
