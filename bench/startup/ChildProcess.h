// The program under measurement: started in a process group of its own and
// stopped by its process id, with bounded waits throughout.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

class ChildProcess {
public:
    // Starts argv[0] (searched on PATH) with the given arguments. Its standard
    // input is /dev/null; its output goes to logPath unless that is empty.
    // Throws std::runtime_error when the program cannot be started.
    ChildProcess(const std::vector<std::string>& argv, const std::string& logPath);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return pid_; }

    // The wait status once the program has ended; does not block.
    std::optional<int> PollExit();

    // SIGTERM, up to `grace` for the program to end, then SIGKILL. Helper
    // processes it started in its group get the same treatment afterwards.
    // Returns notes on anything that needed SIGKILL; empty when all ended.
    std::string Stop(std::chrono::milliseconds grace);

private:
    bool WaitForExit(std::chrono::milliseconds limit);
    bool WaitForGroupToEmpty(std::chrono::milliseconds limit);

    pid_t pid_ = -1;
    std::optional<int> status_;
    bool stopped_ = false;
};

// Makes this process the reaper of its descendants' orphans, so helpers that
// outlive the program can be waited for. Call before starting the program.
void AdoptOrphanedDescendants();
