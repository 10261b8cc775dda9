#pragma once
// The stand-in site run for one test: the constructor starts tavimo-site on
// 127.0.0.1 and a free port (with its test pages under /edge/ and a reports
// file of its own), the destructor stops it by its process id. For the
// test's thread only.

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class TestSite {
public:
    // Waits at most 10 s for the site to report its port.
    TestSite();
    ~TestSite();
    TestSite(const TestSite&) = delete;
    TestSite& operator=(const TestSite&) = delete;

    bool started() const { return port_ > 0; }
    QString hostPort() const;  // "127.0.0.1:40123"
    QString url(const QString& pathAndQuery) const;

    // The exit reports the site has received, as the bytes they decoded to
    // (undecodable ones left out), oldest first.
    QList<QByteArray> reports() const;
    // Waits until at least `count` reports arrived, at most `timeoutMs`.
    bool waitForReports(int count, int timeoutMs = 10000) const;

    void stop();

private:
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
};
