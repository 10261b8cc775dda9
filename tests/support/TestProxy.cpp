#include "tests/support/TestProxy.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QThread>
#include <QUrl>

#include "tests/support/LoopbackPorts.h"
#include "tests/support/ServiceProcess.h"

namespace {

constexpr int kStartTimeoutMs = 10000;
constexpr int kStopTimeoutMs = 5000;
// Another program may take the free port before tinyproxy binds it.
constexpr int kPortTries = 3;

// tinyproxy's own word that it listens.
const QString kListening = QStringLiteral("Accepting connections");

const QRegularExpression& RequestLinePattern() {
    static const QRegularExpression pattern(
        QStringLiteral(R"(Request \(file descriptor \d+\): (\S+) (\S+) HTTP/)"));
    return pattern;
}

// The host a proxied request goes to: the URL's host, or what stands before
// the port of a CONNECT target.
QString TargetHost(const QString& target) {
    if (target.contains(QStringLiteral("://"))) return QUrl(target).host();
    return target.section(QLatin1Char(':'), 0, 0);
}

}  // namespace

TestProxy::TestProxy() : dir_(QDir::tempPath() + QStringLiteral("/tavimo-proxy-XXXXXX")) {
    process_.setProcessChannelMode(QProcess::ForwardedChannels);
    for (int tries = 0; tries < kPortTries && !started(); ++tries) {
        const int port = FreeLoopbackPort();
        if (port > 0 && startOn(port)) port_ = port;
    }
}

TestProxy::~TestProxy() { stop(); }

bool TestProxy::startOn(int port) {
    const QString config = dir_.filePath(QStringLiteral("tinyproxy.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    file.write(QStringLiteral("Port %1\n"
                              "Listen 127.0.0.1\n"
                              "Allow 127.0.0.1\n"
                              "Timeout 60\n"
                              "MaxClients 100\n"
                              "LogFile \"%2\"\n"
                              "LogLevel Info\n"
                              "PidFile \"%3\"\n"
                              "DisableViaHeader Yes\n")
                   .arg(port)
                   .arg(dir_.filePath(QStringLiteral("tinyproxy.log")),
                        dir_.filePath(QStringLiteral("tinyproxy.pid")))
                   .toUtf8());
    file.close();
    QFile::remove(dir_.filePath(QStringLiteral("tinyproxy.log")));  // from a try that failed

    EndWithTheTest(process_);
    process_.start(QStringLiteral("tinyproxy"),
                   {QStringLiteral("-d"), QStringLiteral("-c"), config});
    QElapsedTimer waited;
    waited.start();
    while (process_.state() != QProcess::NotRunning && waited.elapsed() < kStartTimeoutMs) {
        if (logText().contains(kListening) && AcceptsConnections(port)) return true;
        QThread::msleep(20);
    }
    stop();
    return false;
}

void TestProxy::stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(kStopTimeoutMs)) {
        process_.kill();
        process_.waitForFinished(kStopTimeoutMs);
    }
}

QString TestProxy::hostPort() const {
    return QStringLiteral("127.0.0.1:") + QString::number(port_);
}

QString TestProxy::url() const { return QStringLiteral("http://") + hostPort(); }

QString TestProxy::logText() const {
    QFile file(dir_.filePath(QStringLiteral("tinyproxy.log")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QStringList TestProxy::requestedTargets() const {
    QStringList targets;
    for (const QString& line : logText().split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = RequestLinePattern().match(line);
        if (match.hasMatch()) targets.append(match.captured(2));
    }
    return targets;
}

bool TestProxy::relayed(const QString& target) const {
    const QString connected =
        QStringLiteral("Established connection to host \"%1\"").arg(TargetHost(target));
    bool requested = false;
    for (const QString& line : logText().split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = RequestLinePattern().match(line);
        if (match.hasMatch() && match.captured(2) == target) requested = true;
        if (requested && line.contains(connected)) return true;
    }
    return false;
}
