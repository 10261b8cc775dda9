#include "platform/ProcessLauncher.h"

#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

extern char** environ;

namespace platform {
namespace {

// A pidfd becomes readable when its process ends, so the wait needs no
// polling and no signal handler.
int OpenPidFd(pid_t pid) { return static_cast<int>(syscall(SYS_pidfd_open, pid, 0)); }

void Collect(pid_t pid) {
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

pid_t StartProgram(const QStringList& arguments) {
    if (arguments.isEmpty() || arguments.first().isEmpty()) return -1;
    std::vector<QByteArray> bytes;
    bytes.reserve(static_cast<size_t>(arguments.size()));
    for (const QString& argument : arguments) bytes.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& argument : bytes) argv.push_back(argument.data());
    argv.push_back(nullptr);

    pid_t pid = -1;
    // A name with a folder part runs as given; a bare name is looked up on PATH.
    const bool hasFolder = bytes.front().contains('/');
    const int failed = hasFolder
                           ? posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ)
                           : posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
    return failed == 0 ? pid : -1;
}

bool WaitForProgram(pid_t pid, int timeoutMs) {
    if (pid <= 0) return false;
    if (timeoutMs < 0) {
        Collect(pid);
        return true;
    }
    bool ended = false;
    const int pidFd = OpenPidFd(pid);
    if (pidFd >= 0) {
        pollfd watch{pidFd, POLLIN, 0};
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            const int ready = poll(&watch, 1, static_cast<int>(std::max<int64_t>(left.count(), 0)));
            if (ready > 0) {
                ended = true;
                break;
            }
            if (ready == 0 || errno != EINTR) break;
        }
        close(pidFd);
    } else {
        // No pidfd (an old kernel): look every few milliseconds.
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!(ended = waitpid(pid, nullptr, WNOHANG) == pid) &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (ended) return true;
    }
    if (ended) {
        Collect(pid);
    } else {
        std::thread(Collect, pid).detach();
    }
    return ended;
}

}  // namespace platform
