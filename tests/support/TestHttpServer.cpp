#include "tests/support/TestHttpServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QUrl>
#include <algorithm>

#include "tests/support/httpd/BodyPattern.h"
#include "tests/support/ServiceProcess.h"

namespace {

constexpr int kStartTimeoutMs = 10000;
constexpr int kStopTimeoutMs = 5000;
constexpr qint64 kCompareBlockBytes = 1 << 20;

const QString kHost = QStringLiteral("127.0.0.1");

}  // namespace

QString LoggedRequest::method() const { return requestLine.section(QLatin1Char(' '), 0, 0); }

QString LoggedRequest::target() const { return requestLine.section(QLatin1Char(' '), 1, 1); }

QString LoggedRequest::path() const {
    const QString sent = target();
    if (sent.startsWith(QLatin1Char('/'))) return sent;
    const int authority = sent.indexOf(QStringLiteral("://"));
    if (authority < 0) return sent;
    const int pathStart = sent.indexOf(QLatin1Char('/'), authority + 3);
    return pathStart < 0 ? QStringLiteral("/") : sent.mid(pathStart);
}

QString LoggedRequest::header(const QString& name) const {
    for (const QString& line : headers) {
        const int colon = line.indexOf(QLatin1Char(':'));
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return QString();
}

TestHttpServer::TestHttpServer() : dir_(QDir::tempPath() + QStringLiteral("/tavimo-httpd-XXXXXX")) {
    // Its complaints go straight to the test's output; nothing has to read them.
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    EndWithTheTest(process_);
    process_.start(
        QStringLiteral(TAVIMO_TEST_HTTPD),
        {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--log"), logPath()});
    QElapsedTimer waited;
    waited.start();
    while (!process_.canReadLine() && process_.state() != QProcess::NotRunning &&
           waited.elapsed() < kStartTimeoutMs)
        process_.waitForReadyRead(static_cast<int>(kStartTimeoutMs - waited.elapsed()));
    bool isNumber = false;
    const int port = process_.canReadLine() ? process_.readLine().trimmed().toInt(&isNumber) : 0;
    if (isNumber && port > 0)
        port_ = port;
    else
        stop();
}

TestHttpServer::~TestHttpServer() { stop(); }

void TestHttpServer::stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(kStopTimeoutMs)) {
        process_.kill();
        process_.waitForFinished(kStopTimeoutMs);
    }
}

QString TestHttpServer::hostPort() const {
    return kHost + QLatin1Char(':') + QString::number(port_);
}

QString TestHttpServer::url(const QString& pathAndQuery) const {
    return QStringLiteral("http://") + hostPort() + pathAndQuery;
}

QString TestHttpServer::echoUrl(const QByteArray& body) const {
    return url(QStringLiteral("/echo?body=") + QString::fromLatin1(QUrl::toPercentEncoding(body)));
}

QString TestHttpServer::logPath() const { return dir_.filePath(QStringLiteral("requests.log")); }

QStringList TestHttpServer::logLines() const {
    QFile file(logPath());
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList lines = QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();  // after the last line end
    return lines;
}

QList<LoggedRequest> TestHttpServer::requests() const {
    QList<LoggedRequest> requests;
    bool inRequest = false;
    for (const QString& line : logLines()) {
        if (line.isEmpty()) {
            inRequest = false;
        } else if (!inRequest) {
            requests.append({line, {}});
            inRequest = true;
        } else {
            requests.last().headers.append(line);
        }
    }
    return requests;
}

QList<LoggedRequest> TestHttpServer::requestsTo(const QString& pathPrefix) const {
    QList<LoggedRequest> matching;
    for (const LoggedRequest& request : requests())
        if (request.path().startsWith(pathPrefix)) matching.append(request);
    return matching;
}

bool TestHttpServer::waitForRequests(int count, int timeoutMs) const {
    QElapsedTimer waited;
    waited.start();
    while (requests().size() < count && waited.elapsed() < timeoutMs) QThread::msleep(10);
    return requests().size() >= count;
}

QByteArray TestHttpServer::patternBytes(qint64 from, qint64 count) {
    QByteArray bytes(std::max<qint64>(count, 0), Qt::Uninitialized);
    for (qint64 i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(PatternByte(static_cast<uint64_t>(from + i)));
    return bytes;
}

bool TestHttpServer::fileHoldsPattern(const QString& path, qint64 size) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() != size) return false;
    for (qint64 from = 0; from < size; from += kCompareBlockBytes) {
        const QByteArray block = file.read(std::min(kCompareBlockBytes, size - from));
        if (block != patternBytes(from, std::min(kCompareBlockBytes, size - from))) return false;
    }
    return true;
}
