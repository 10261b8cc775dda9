#pragma once
// tavimo-test-httpd run for one test: the constructor starts it on
// 127.0.0.1 and a free port, the destructor stops it by its process id
// (SIGTERM, then SIGKILL after 5 s). What each path answers is listed in
// tests/support/httpd/Behaviours.h; bodies of made-up bytes follow the
// pattern below. For the test's thread only.

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// One request as the server logged it. Bytes are read as Latin-1, one
// character each, so bytes outside ASCII come through unchanged.
struct LoggedRequest {
    QString requestLine;  // as sent: "GET /bytes?size=10 HTTP/1.1"
    QStringList headers;  // as sent, in order: "Host: 127.0.0.1:40123", ...

    QString method() const;
    // The target as sent: origin form "/x?y" or absolute form "http://host:port/x?y".
    QString target() const;
    // The target in origin form, query included: "/x?y" for either form.
    QString path() const;
    // The value of the first header called `name` (any case), without the
    // blanks around it; a null text when there is none.
    QString header(const QString& name) const;
};

class TestHttpServer {
public:
    // Waits at most 10 s for the server to report its port.
    TestHttpServer();
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    bool started() const { return port_ > 0; }
    int port() const { return port_; }
    qint64 processId() const { return process_.processId(); }
    QString hostPort() const;  // "127.0.0.1:40123"
    // "http://127.0.0.1:40123" + `pathAndQuery`, which starts with "/".
    QString url(const QString& pathAndQuery) const;
    // The /echo address that answers with exactly `body`.
    QString echoUrl(const QByteArray& body) const;

    QString logPath() const;
    // The log file's lines: each request's line and headers, then an empty line.
    QStringList logLines() const;
    QList<LoggedRequest> requests() const;
    // The requests whose path() starts with `pathPrefix`, in the order they came.
    QList<LoggedRequest> requestsTo(const QString& pathPrefix) const;
    // Waits until at least `count` requests are logged, at most `timeoutMs`;
    // for requests whose client cannot tell that they arrived (/hang).
    bool waitForRequests(int count, int timeoutMs = 5000) const;

    // Stops the server now; the destructor does it otherwise. Afterwards the
    // log can still be read.
    void stop();

    // Bytes `from` to `from + count` of the pattern the server's bodies follow.
    static QByteArray patternBytes(qint64 from, qint64 count);
    // Whether the file at `path` holds exactly `size` bytes of the pattern.
    static bool fileHoldsPattern(const QString& path, qint64 size);

private:
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
};
