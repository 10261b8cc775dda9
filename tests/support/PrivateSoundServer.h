#pragma once
// A sound server of a test's own, to stop, kill and start again: a
// PulseAudio daemon, or PipeWire with its session manager and PulseAudio
// service when the tests run on PipeWire, in a private folder, with
// speakers (a null sink) and a microphone that hears them (a remap source on
// their monitor), both the defaults. While the object lives, this process's
// sound connections go to it (PULSE_SERVER, PIPEWIRE_RUNTIME_DIR). The
// daemons are stopped by their process ids.

#include <QProcess>
#include <QString>
#include <array>

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
    bool startDaemons();
    void signalAll(int signal);

    TempDir dir_;
    bool pipewire_ = false;
    // The PulseAudio daemon; or pipewire, wireplumber, pipewire-pulse and
    // the session bus the session manager needs.
    std::array<QProcess, 4> daemons_;
    QByteArray savedServer_;
    bool hadServer_ = false;
    QByteArray savedPipeWireDir_;
    bool hadPipeWireDir_ = false;
};
