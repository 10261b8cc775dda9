#pragma once
// A server that takes connections and never says a word: a Unix socket that
// listens in a folder of its own, for tests of what gives up on a sound
// server that does not answer.

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

class SilentSocket {
public:
    SilentSocket();
    ~SilentSocket();
    SilentSocket(const SilentSocket&) = delete;
    SilentSocket& operator=(const SilentSocket&) = delete;

    bool listening() const { return listener_ >= 0; }
    QByteArray path() const { return path_; }
    // As PULSE_SERVER takes it: "unix:" and the path.
    QByteArray address() const { return "unix:" + path_; }

private:
    QTemporaryDir dir_;
    QByteArray path_;
    int listener_ = -1;
};

// Runs `body` with the sound server address (PULSE_SERVER) set to `address`,
// and puts back what was there.
template <typename Body>
void WithServerAddress(const QByteArray& address, Body body) {
    const bool had = qEnvironmentVariableIsSet("PULSE_SERVER");
    const QByteArray saved = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", address);
    body();
    if (had) {
        qputenv("PULSE_SERVER", saved);
    } else {
        qunsetenv("PULSE_SERVER");
    }
}
