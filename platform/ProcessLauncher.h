#pragma once
// Starting another program with an argument list, never through a shell,
// and waiting for it to end. The new process inherits the caller's
// environment, current folder and inheritable descriptors. Any thread.

#include <sys/types.h>

#include <QStringList>

namespace platform {

// Starts arguments[0] (a path, or a name looked up on PATH) with the whole
// list as its argv. Returns its process id, or -1 when it could not be
// started (missing, not executable, empty list): nothing runs then.
pid_t StartProgram(const QStringList& arguments);

// Waits until the process ends or `timeoutMs` passes (-1: no limit). True
// when it ended; a process still running afterwards is collected in the
// background once it ends, so it never lingers as a zombie.
bool WaitForProgram(pid_t pid, int timeoutMs);

}  // namespace platform
