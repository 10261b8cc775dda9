#include "tests/site/SiteProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Pipe {
    int read = -1;
    int write = -1;
    Pipe() {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) == 0) {
            read = ends[0];
            write = ends[1];
        }
    }
    ~Pipe() {
        closeRead();
        closeWrite();
    }
    void closeRead() {
        if (read >= 0) close(read);
        read = -1;
    }
    void closeWrite() {
        if (write >= 0) close(write);
        write = -1;
    }
};

// Starts `program` with its standard output (and error, when `withErrors`)
// going into `pipe`. -1 when it cannot be started.
pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments, Pipe& pipe,
            bool withErrors) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe.write, STDOUT_FILENO);
    if (withErrors) posix_spawn_file_actions_adddup2(&actions, pipe.write, STDERR_FILENO);
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    pipe.closeWrite();
    return failed == 0 ? pid : -1;
}

// Waits for `pid` until `deadline`; its exit status, or nothing if it is
// still running then.
std::optional<int> WaitUntil(pid_t pid, Clock::time_point deadline) {
    while (true) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (Clock::now() > deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Reads from `fd` until end of file, `stopAtLine` and a line break, or the deadline.
std::string ReadUntil(int fd, Clock::time_point deadline, bool stopAtLine) {
    std::string text;
    while (!(stopAtLine && text.find('\n') != std::string::npos)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        char buffer[4096];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    return text;
}

}  // namespace

SiteProcess::SiteProcess(const std::vector<std::string>& arguments) {
    std::vector<std::string> all = {"--port", "0"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    Pipe pipe;
    pid_ = Spawn(kSiteProgram, all, pipe, false);
    if (pid_ < 0) return;
    const std::string line = ReadUntil(pipe.read, Clock::now() + std::chrono::seconds(20), true);
    if (line.find('\n') != std::string::npos) port_ = std::atoi(line.c_str());
}

SiteProcess::~SiteProcess() { stop(); }

httplib::Client SiteProcess::client() const {
    httplib::Client client("127.0.0.1", port_);
    client.set_url_encode(false);
    client.set_connection_timeout(5);
    client.set_read_timeout(20);
    return client;
}

std::optional<int> SiteProcess::stop() {
    if (pid_ < 0) return std::nullopt;
    kill(pid_, SIGTERM);
    std::optional<int> status = WaitUntil(pid_, Clock::now() + std::chrono::seconds(10));
    if (!status) {
        kill(pid_, SIGKILL);
        WaitUntil(pid_, Clock::now() + std::chrono::seconds(10));
    }
    pid_ = -1;
    return status;
}

ProgramResult RunToEnd(const std::string& program, const std::vector<std::string>& arguments,
                       int timeoutMs) {
    ProgramResult result;
    Pipe pipe;
    const pid_t pid = Spawn(program, arguments, pipe, true);
    if (pid < 0) return result;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    result.output = ReadUntil(pipe.read, deadline, false);
    std::optional<int> status = WaitUntil(pid, deadline);
    if (!status) {
        kill(pid, SIGKILL);
        WaitUntil(pid, Clock::now() + std::chrono::seconds(10));
        return result;
    }
    result.finished = true;
    result.exitCode = *status;
    return result;
}

std::vector<CatalogueSong> BuiltSongs() {
    std::string error;
    auto songs = ReadSongCatalogue(kSongFolder + "/songs.tsv", error);
    EXPECT_TRUE(songs) << error;
    return songs ? *songs : std::vector<CatalogueSong>{};
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}
