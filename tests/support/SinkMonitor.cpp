#include "tests/support/SinkMonitor.h"
#include "tests/support/ServiceProcess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <cstdlib>
#include <cstring>

namespace {

constexpr qint64 kRunningBytes = SinkMonitor::kRateHz / 10 * 2;  // 100 ms
constexpr int kStartTimeoutMs = 10000;
constexpr int kLeadInMs = 300;
constexpr int kStopTimeoutMs = 5000;

}  // namespace

SinkMonitor::SinkMonitor(const QString& rawPath) : path_(rawPath) {
    process_.setStandardOutputFile(path_);
    EndWithTheTest(process_);
    process_.start(QStringLiteral("parec"),
                   {"-d", "tavimo_speakers.monitor", "--raw", "--format=s16le",
                    "--rate=" + QString::number(kRateHz), "--channels=1", "--latency-msec=20"});
    // The monitor carries silence while nothing plays, so data means the
    // recording runs.
    QElapsedTimer waited;
    waited.start();
    while (QFileInfo(path_).size() < kRunningBytes && waited.elapsed() < kStartTimeoutMs)
        QTest::qWait(20);
    started_ = QFileInfo(path_).size() >= kRunningBytes;
    QTest::qWait(kLeadInMs);
}

SinkMonitor::~SinkMonitor() { finish(); }

std::vector<int16_t> SinkMonitor::finish() {
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(kStopTimeoutMs)) process_.kill();
        process_.waitForFinished(kStopTimeoutMs);
    }
    QFile file(path_);
    std::vector<int16_t> samples;
    if (!file.open(QIODevice::ReadOnly)) return samples;
    const QByteArray bytes = file.readAll();
    samples.resize(static_cast<size_t>(bytes.size() / 2));
    if (!samples.empty()) std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
    return samples;
}

std::vector<int16_t> FromFirstSound(const std::vector<int16_t>& samples, int threshold) {
    size_t first = 0;
    while (first < samples.size() && std::abs(samples[first]) < threshold) ++first;
    return std::vector<int16_t>(samples.begin() + static_cast<std::ptrdiff_t>(first),
                                samples.end());
}
