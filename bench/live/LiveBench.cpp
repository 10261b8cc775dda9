// The singing aids' benchmarks on the test sound server.
//   bench_live monitor: hearing oneself, microphone to speakers, ten runs of
//     clicks; prints the worst run's median against 30 ms.
//   bench_live meter: the level meter of a 60 s take (its stream, readings
//     25 times a second, the bar painted) against 2 % of one core.
#include <sys/resource.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "audio/LevelMeter.h"
#include "controls/LevelMeterBar.h"
#include "platform/PulseLiveInput.h"
#include "platform/PulseVoiceMonitor.h"
#include "tests/support/MonitorDelay.h"
#include "tests/support/VoiceSink.h"

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

int Monitor() {
    QTemporaryDir dir;
    VoiceSink voice;
    auto server = std::make_shared<platform::PulseServer>();
    platform::PulseVoiceMonitor monitor(server);
    if (!voice.ready() || !monitor.start(VoiceSink::kMicrophone, 1.0)) {
        std::puts("bench monitor-latency: no monitor");
        return 1;
    }
    double worst = 0;
    std::vector<double> all;
    for (int run = 0; run < 10; ++run) {
        MonitorDelay m = MeasureMonitorDelay(voice, dir.path());
        if (!m.ok) {
            std::printf("bench monitor-latency: run %d failed: %s\n", run, qPrintable(m.trouble));
            return 1;
        }
        std::sort(m.delaysMs.begin(), m.delaysMs.end());
        const double median = m.delaysMs[m.delaysMs.size() / 2];
        std::printf("run %d: median %.1f ms (%.1f … %.1f)\n", run, median, m.delaysMs.front(),
                    m.delaysMs.back());
        worst = std::max(worst, median);
        all.insert(all.end(), m.delaysMs.begin(), m.delaysMs.end());
    }
    std::sort(all.begin(), all.end());
    std::printf("all clicks: median %.1f ms, worst %.1f ms\n", all[all.size() / 2], all.back());
    // Named for the sound server when bench/live/run says which.
    const QByteArray serverName = qgetenv("TAVIMO_BENCH_SERVER");
    std::printf("bench monitor-latency%s%s: ours %.1f ms, limit 30 ms, ratio %.2f (target 1)\n",
                serverName.isEmpty() ? "" : "-", serverName.constData(), worst,
                worst / 30.0);
    return 0;
}

int Meter() {
    QWidget window;
    auto* bar = new LevelMeterBar(&window);
    bar->setGeometry(10, 10, 69, 5);
    window.resize(100, 30);
    window.show();
    auto server = std::make_shared<platform::PulseServer>();
    platform::PulseLiveInput input(server);
    LevelMeter meter;
    input.setBlockHandler([&](const int16_t* s, size_t n) { meter.add(s, n); });
    QTimer frames;
    frames.setInterval(40);
    QObject::connect(&frames, &QTimer::timeout, [&] {
        const LevelReading r = meter.read(platform::SoundClock::now());
        bar->SetLevel(r.levelDb, r.peakDb, r.clipping);
    });
    QTest::qWait(500);
    const double before = CpuSeconds();
    if (!input.start("", 44100)) {
        std::puts("bench meter-cpu: no input");
        return 1;
    }
    frames.start();
    QTest::qWait(60000);
    input.stop();
    const double used = CpuSeconds() - before;
    const double limit = 0.02 * 60;
    std::printf("bench meter-cpu: ours %.3f s, limit %.3f s, ratio %.3f (target 1)\n", used, limit,
                used / limit);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 2 && std::strcmp(argv[1], "monitor") == 0) return Monitor();
    if (argc == 2 && std::strcmp(argv[1], "meter") == 0) return Meter();
    std::fputs("usage: bench_live monitor|meter\n", stderr);
    return 2;
}
