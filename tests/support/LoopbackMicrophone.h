#pragma once
// A microphone that hears the speakers: on the sound server the tests run
// against, a remap source on the monitor of tavimo_speakers becomes the
// default and only source (the other sources are unloaded meanwhile). It
// carries exactly what the sink plays, clocked in real time. Everything is
// put back as it was when the object goes.

#include <QString>
#include <QStringList>

class LoopbackMicrophone {
public:
    static constexpr char kName[] = "tavimo_loop_mic";

    LoopbackMicrophone();
    ~LoopbackMicrophone();
    LoopbackMicrophone(const LoopbackMicrophone&) = delete;
    LoopbackMicrophone& operator=(const LoopbackMicrophone&) = delete;

    bool ready() const { return ready_; }

    // Takes the microphone away (its module is unloaded), and brings it
    // back as the default source.
    bool unplug();
    bool plugIn();

private:
    struct Module {
        QString name;
        QString arguments;
    };

    bool ready_ = false;
    QString defaultSource_;
    QList<Module> removed_;
    QString loopModule_;  // index of the remap source's module
};

// `pactl` with `arguments` on the current server: whether it succeeded, and
// its output.
bool PactlSucceeds(const QStringList& arguments, QString* output = nullptr);
