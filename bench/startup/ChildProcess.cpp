#include "ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPollStep = std::chrono::milliseconds(5);

// posix_spawn's attribute and file-action objects, released on every path.
struct SpawnSetup {
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
    SpawnSetup() {
        posix_spawnattr_init(&attributes);
        posix_spawn_file_actions_init(&actions);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

}  // namespace

void AdoptOrphanedDescendants() { prctl(PR_SET_CHILD_SUBREAPER, 1); }

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& logPath) {
    if (argv.empty()) throw std::runtime_error("no program to start");
    SpawnSetup setup;
    // A group of its own: the browser engine's helper processes stay in it,
    // so they can be found and stopped with the program.
    posix_spawnattr_setpgroup(&setup.attributes, 0);
    // The benchmark's own signal settings are not the program's.
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
    posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (!logPath.empty()) {
        posix_spawn_file_actions_addopen(&setup.actions, STDOUT_FILENO, logPath.c_str(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&setup.actions, STDOUT_FILENO, STDERR_FILENO);
    }
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const int error =
        posix_spawnp(&pid_, args[0], &setup.actions, &setup.attributes, args.data(), environ);
    if (error != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(error));
    }
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !stopped_) Stop(std::chrono::milliseconds(2000));
}

std::optional<int> ChildProcess::PollExit() {
    if (!status_ && pid_ > 0) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) status_ = status;
    }
    return status_;
}

bool ChildProcess::WaitForExit(std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (!PollExit()) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kPollStep);
    }
    return true;
}

// Reaps members of the program's group that have ended (orphans come to this
// process) until none is left or the limit passes.
bool ChildProcess::WaitForGroupToEmpty(std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        while (waitpid(-pid_, nullptr, WNOHANG) > 0) {
        }
        if (kill(-pid_, 0) != 0 && errno == ESRCH) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kPollStep);
    }
}

std::string ChildProcess::Stop(std::chrono::milliseconds grace) {
    if (pid_ <= 0 || stopped_) return {};
    stopped_ = true;
    std::string notes;
    if (!PollExit()) {
        kill(pid_, SIGTERM);
        if (!WaitForExit(grace)) {
            kill(pid_, SIGKILL);
            notes += "the program ignored SIGTERM and was killed; ";
            if (!WaitForExit(grace)) notes += "it had still not ended after SIGKILL; ";
        }
    }
    // Helpers notice the program's end on their own; only stragglers are killed.
    if (!WaitForGroupToEmpty(grace)) {
        kill(-pid_, SIGKILL);
        notes += "helper processes outlived the program and were killed; ";
        if (!WaitForGroupToEmpty(grace)) notes += "some had still not ended after SIGKILL; ";
    }
    return notes;
}
