#include "tests/support/LoopbackMicrophone.h"

#include "tests/support/ProgramRun.h"

namespace {

constexpr int kPactlTimeoutMs = 10000;

QString LoopArguments() {
    return QStringLiteral("master=tavimo_speakers.monitor source_name=") +
           QLatin1String(LoopbackMicrophone::kName);
}

QString Output(const QStringList& arguments) {
    QString output;
    PactlSucceeds(arguments, &output);
    return output;
}

// Loads `module` with `arguments`; its index, or "" when it failed.
QString LoadModule(const QString& module, const QString& arguments) {
    QStringList call{QStringLiteral("load-module"), module};
    call += arguments.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QString index;
    return PactlSucceeds(call, &index) ? index.trimmed() : QString();
}

}  // namespace

bool PactlSucceeds(const QStringList& arguments, QString* output) {
    const ProgramRun run = RunProgram(QStringLiteral("pactl"), arguments, kPactlTimeoutMs);
    if (output) *output = run.output;
    return run.finished && run.exitCode == 0;
}

LoopbackMicrophone::LoopbackMicrophone() {
    defaultSource_ = Output({"get-default-source"}).trimmed();
    // Every other source module goes for the duration.
    for (const QString& line : Output({"list", "short", "modules"}).split(QLatin1Char('\n'))) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() < 2) continue;
        const QString& name = fields[1];
        if (name != QLatin1String("module-sine-source") &&
            name != QLatin1String("module-pipe-source")) {
            continue;
        }
        if (!PactlSucceeds({"unload-module", fields[0]})) continue;
        removed_.push_back({name, fields.size() > 2 ? fields[2] : QString()});
    }
    ready_ = plugIn();
}

LoopbackMicrophone::~LoopbackMicrophone() {
    unplug();
    for (const Module& module : removed_) LoadModule(module.name, module.arguments);
    if (!defaultSource_.isEmpty()) PactlSucceeds({"set-default-source", defaultSource_});
}

bool LoopbackMicrophone::unplug() {
    if (loopModule_.isEmpty()) return false;
    const bool unloaded = PactlSucceeds({"unload-module", loopModule_});
    loopModule_.clear();
    return unloaded;
}

bool LoopbackMicrophone::plugIn() {
    if (!loopModule_.isEmpty()) return true;
    loopModule_ = LoadModule(QStringLiteral("module-remap-source"), LoopArguments());
    return !loopModule_.isEmpty() && PactlSucceeds({"set-default-source", kName});
}
