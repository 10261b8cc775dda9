#include "platform/LaunchProgram.h"

#include "base/CommandLine.h"
#include "platform/ProcessLauncher.h"

void LaunchProgram(const QString& commandLine, bool /*show*/, int timeoutMs) {
    QStringList arguments;
    if (!SplitCommandLine(commandLine, arguments)) return;
    const pid_t pid = platform::StartProgram(arguments);
    if (pid > 0) platform::WaitForProgram(pid, timeoutMs);
}
