#include "tests/support/TestSite.h"
#include "tests/support/ServiceProcess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

namespace {

constexpr int kStartTimeoutMs = 10000;
constexpr int kStopTimeoutMs = 5000;

}  // namespace

TestSite::TestSite() : dir_(QDir::tempPath() + QStringLiteral("/tavimo-site-XXXXXX")) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    EndWithTheTest(process_);
    process_.start(QStringLiteral(TAVIMO_SITE_PROGRAM),
                   {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--edge-pages"),
                    QStringLiteral("--reports"), dir_.filePath(QStringLiteral("reports.txt"))});
    QElapsedTimer waited;
    waited.start();
    while (!process_.canReadLine() && process_.state() != QProcess::NotRunning &&
           waited.elapsed() < kStartTimeoutMs) {
        process_.waitForReadyRead(static_cast<int>(kStartTimeoutMs - waited.elapsed()));
    }
    bool isNumber = false;
    const int port = process_.canReadLine() ? process_.readLine().trimmed().toInt(&isNumber) : 0;
    if (isNumber && port > 0) {
        port_ = port;
    } else {
        stop();
    }
}

TestSite::~TestSite() { stop(); }

void TestSite::stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(kStopTimeoutMs)) {
        process_.kill();
        process_.waitForFinished(kStopTimeoutMs);
    }
}

QString TestSite::hostPort() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }

QString TestSite::url(const QString& pathAndQuery) const {
    return QStringLiteral("http://") + hostPort() + pathAndQuery;
}

QList<QByteArray> TestSite::reports() const {
    // The reports file keeps each request's query as it came: "query=param=...".
    QFile file(dir_.filePath(QStringLiteral("reports.txt")));
    QList<QByteArray> decoded;
    if (!file.open(QIODevice::ReadOnly)) return decoded;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.startsWith("query=param=")) continue;
        const auto result =
            QByteArray::fromBase64Encoding(line.mid(12), QByteArray::AbortOnBase64DecodingErrors);
        if (result) decoded << *result;
    }
    return decoded;
}

bool TestSite::waitForReports(int count, int timeoutMs) const {
    QElapsedTimer waited;
    waited.start();
    while (reports().size() < count && waited.elapsed() < timeoutMs) QThread::msleep(20);
    return reports().size() >= count;
}
