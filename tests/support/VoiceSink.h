#pragma once
// A singer for the live tests: a null sink of its own (kSink) whose monitor
// is remapped as a microphone (kMicrophone), not the default one. What a
// test plays into the sink (play()) the microphone hears, clocked in real
// time, apart from the speakers. Its modules go when the object goes.

#include <QProcess>
#include <QString>

class VoiceSink {
public:
    static constexpr char kSink[] = "tavimo_voice";
    static constexpr char kMicrophone[] = "tavimo_voice_mic";

    VoiceSink();
    ~VoiceSink();
    VoiceSink(const VoiceSink&) = delete;
    VoiceSink& operator=(const VoiceSink&) = delete;

    bool ready() const { return !sinkModule_.isEmpty() && !micModule_.isEmpty(); }

    // Starts playing the WAV file at `path` into the sink (paplay); does not wait.
    bool play(const QString& path);
    // Waits (`timeoutMs` at most) until what play() started has ended.
    bool waitPlayed(int timeoutMs = 15000);

private:
    QString sinkModule_;
    QString micModule_;
    QProcess player_;
};

// Loads a module with `arguments` on the current server: its index, or "".
QString LoadTestModule(const QString& module, const QStringList& arguments);
