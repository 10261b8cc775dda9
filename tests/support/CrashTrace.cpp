#include "tests/support/CrashTrace.h"

#include <execinfo.h>
#include <unistd.h>

#include <csignal>
#include <initializer_list>

namespace {

void PrintStackAndDie(int signal) {
    static const char kHeading[] = "\n*** crashed; its stack (addr2line -e BINARY OFFSET):\n";
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, kHeading, sizeof kHeading - 1);
    void* frames[64];
    backtrace_symbols_fd(frames, backtrace(frames, 64), STDERR_FILENO);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

void InstallCrashTrace() {
#ifndef __SANITIZE_ADDRESS__
    // backtrace() loads libgcc on first use, which must not happen in the handler.
    void* warmUp[1];
    backtrace(warmUp, 1);
    for (const int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
        std::signal(signal, PrintStackAndDie);
    }
#endif
}
