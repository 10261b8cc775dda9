#include "tests/support/ServiceProcess.h"

#include <sys/prctl.h>

#include <csignal>

void EndWithTheTest(QProcess& service) {
    // Runs in the child between fork and exec; the death signal is kept
    // across exec. It follows the thread that started the child, which in
    // the tests is the main thread.
    service.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}
