#pragma once
// A server that takes connections and never says a word: a Unix socket that
// listens in a folder of its own (named as PipeWire names its socket), for tests of what gives up on a sound
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
// and PipeWire's folder (PIPEWIRE_RUNTIME_DIR) to the address's folder, and
// puts back what was there.
template <typename Body>
void WithServerAddress(const QByteArray& address, Body body) {
    const char* names[] = {"PULSE_SERVER", "PIPEWIRE_RUNTIME_DIR"};
    const QByteArray values[] = {address, address.mid(5, address.lastIndexOf('/') - 5)};
    bool had[2];
    QByteArray saved[2];
    for (int i = 0; i < 2; ++i) {
        had[i] = qEnvironmentVariableIsSet(names[i]);
        saved[i] = qgetenv(names[i]);
        qputenv(names[i], values[i]);
    }
    body();
    for (int i = 0; i < 2; ++i) {
        if (had[i]) {
            qputenv(names[i], saved[i]);
        } else {
            qunsetenv(names[i]);
        }
    }
}
