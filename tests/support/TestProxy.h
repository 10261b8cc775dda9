#pragma once
// A real HTTP proxy (Debian's tinyproxy) for one test: the constructor
// starts it in the foreground on 127.0.0.1 and a free port, with its
// configuration, log and pid file in a fresh folder (it admits 127.0.0.1
// only, has no upstream proxy, filters nothing and adds no Via header); the
// destructor stops it by its process id (SIGTERM, then SIGKILL after 5 s).
// For the test's thread only.
//
// tinyproxy logs every request it reads as
//   "Request (file descriptor 5): GET http://127.0.0.1:40123/x HTTP/1.1"
// before it connects to the target, and then
//   "Established connection to host "127.0.0.1" using file descriptor 6."
// A client that has its answer therefore finds both lines in the log.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class TestProxy {
public:
    // Waits at most 10 s until the proxy accepts connections.
    TestProxy();
    ~TestProxy();
    TestProxy(const TestProxy&) = delete;
    TestProxy& operator=(const TestProxy&) = delete;

    bool started() const { return port_ > 0; }
    int port() const { return port_; }
    qint64 processId() const { return process_.processId(); }
    QString hostPort() const;  // "127.0.0.1:40124"
    QString url() const;       // "http://127.0.0.1:40124", as http_proxy takes it

    QString logText() const;
    // The targets of the requests the proxy read, in order and as the client
    // wrote them: absolute URLs, "host:port" for CONNECT.
    QStringList requestedTargets() const;
    // Whether the proxy read a request for exactly `target` (an absolute URL,
    // or "host:port" for CONNECT) and then connected to the target's host.
    bool relayed(const QString& target) const;

    // Stops the proxy now; the destructor does it otherwise. The log stays
    // readable.
    void stop();

private:
    bool startOn(int port);

    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
};
