#pragma once
// Another program run from a test (lame, mpg123, ffprobe, pactl, ...):
// bounded in time, its output and error text kept apart.

#include <QString>
#include <QStringList>

struct ProgramRun {
    bool finished = false;  // it started and ended by itself in time
    int exitCode = -1;      // -1 unless it ended normally
    QString output;         // standard output
    QString errorText;      // standard error
};

constexpr int kProgramTimeoutMs = 60000;

// Runs `program` and waits for it at most `timeoutMs`; one that takes longer
// is killed and counts as not finished.
ProgramRun RunProgram(const QString& program, const QStringList& arguments,
                      int timeoutMs = kProgramTimeoutMs);
