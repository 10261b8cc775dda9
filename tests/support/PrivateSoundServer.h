#pragma once
// A sound server of a test's own, to stop, kill and start again: a
// PulseAudio daemon in a private folder with speakers (a null sink) and a
// microphone that hears them (a remap source on their monitor), both the
// defaults. While the object lives, this process's sound connections go to
// it (PULSE_SERVER). The daemon is stopped by its process id.

#include <QProcess>
#include <QString>

#include "tests/support/TempDir.h"

class PrivateSoundServer {
public:
    PrivateSoundServer();
    ~PrivateSoundServer();
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    // Starts the daemon and waits (10 s at most) until it answers.
    bool start();
    // Kills it at once, as a crash would.
    void kill();
    // Stops it answering (SIGSTOP), and lets it go on.
    void freeze();
    void thaw();

    bool running() const;
    QString address() const;
    // What the daemon said, for a test that fails.
    std::string log() const;

private:
    TempDir dir_;
    QProcess daemon_;
    QByteArray savedServer_;
    bool hadServer_ = false;
};
