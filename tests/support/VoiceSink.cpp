#include "tests/support/VoiceSink.h"

#include "tests/support/LoopbackMicrophone.h"

QString LoadTestModule(const QString& module, const QStringList& arguments) {
    QString index;
    return PactlSucceeds(QStringList{QStringLiteral("load-module"), module} + arguments, &index)
               ? index.trimmed()
               : QString();
}

VoiceSink::VoiceSink() {
    sinkModule_ = LoadTestModule(QStringLiteral("module-null-sink"),
                                 {QStringLiteral("sink_name=") + QLatin1String(kSink),
                                  // Mono through and through: no server's
                                  // channel mixing changes the voice's level.
                                  QStringLiteral("channels=1"), QStringLiteral("channel_map=mono")});
    if (sinkModule_.isEmpty()) return;
    micModule_ = LoadTestModule(
        QStringLiteral("module-remap-source"),
        {QStringLiteral("master=%1.monitor").arg(QLatin1String(kSink)),
         QStringLiteral("source_name=") + QLatin1String(kMicrophone), QStringLiteral("channels=1"),
         QStringLiteral("channel_map=mono")});
}

VoiceSink::~VoiceSink() {
    if (player_.state() != QProcess::NotRunning) {
        player_.kill();
        player_.waitForFinished(5000);
    }
    for (const QString& module : {micModule_, sinkModule_}) {
        if (!module.isEmpty()) PactlSucceeds({"unload-module", module});
    }
}

bool VoiceSink::play(const QString& path) {
    player_.start(QStringLiteral("paplay"),
                  {QStringLiteral("--device=") + QLatin1String(kSink),
                   QStringLiteral("--latency-msec=10"), path});
    return player_.waitForStarted(5000);
}

bool VoiceSink::waitPlayed(int timeoutMs) {
    return player_.waitForFinished(timeoutMs) && player_.exitCode() == 0;
}
