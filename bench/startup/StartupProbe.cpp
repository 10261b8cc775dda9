// Driver of the start-up benchmark: starts a program and measures the time
// from just before it is started until its main window is mapped, and until
// that window is first drawn into. Needs an X display without a window
// manager (a private Xvfb), where every top-level window is the root's child.
//
//   bench_startup_probe [OPTIONS] -- PROGRAM [ARGUMENTS...]
//     --match TEXT     the main window's title or WM_CLASS contains TEXT
//                      (default: the first mapped window of 100 x 100 or more)
//     --timeout S      give up after S seconds without both times (default 30)
//     --settle S       the main window must stay mapped S seconds after it
//                      was drawn into; if it goes sooner, the next window that
//                      qualifies is measured instead (default 1)
//     --log FILE       append the program's output to FILE (default: inherited)
//     --no-network     run the program with loopback as its only network
//     --verbose        every window and drawing event on stderr
//
// Prints "mapped SECONDS painted SECONDS" and exits 0; on any failure it
// prints why on stderr and exits 1 (2 for wrong usage). The program is then
// stopped by its process id: SIGTERM, a bounded wait, SIGKILL.
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "NetworkIsolation.h"
#include "StartupWatch.h"

namespace {

struct Options {
    WindowChoice choice;
    double timeoutSeconds = 30;
    double settleSeconds = 1;
    std::string logPath;
    bool noNetwork = false;
    bool verbose = false;
    std::vector<std::string> program;
};

[[noreturn]] void Usage(const char* problem) {
    std::fprintf(stderr,
                 "bench_startup_probe: %s\n"
                 "usage: bench_startup_probe [--match TEXT] [--timeout S] [--settle S] "
                 "[--log FILE] [--no-network] [--verbose] -- PROGRAM [ARGUMENTS...]\n",
                 problem);
    std::exit(2);
}

double Seconds(const char* text) {
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || value < 0 || value > 3600) Usage("bad number of seconds");
    return value;
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") {
            ++i;
            break;
        }
        const bool hasValue = i + 1 < argc;
        if (arg == "--match" && hasValue) {
            options.choice.match = argv[++i];
        } else if (arg == "--timeout" && hasValue) {
            options.timeoutSeconds = Seconds(argv[++i]);
        } else if (arg == "--settle" && hasValue) {
            options.settleSeconds = Seconds(argv[++i]);
        } else if (arg == "--log" && hasValue) {
            options.logPath = argv[++i];
        } else if (arg == "--no-network") {
            options.noNetwork = true;
        } else if (arg == "--verbose") {
            options.verbose = true;
        } else {
            Usage(("unknown option " + arg).c_str());
        }
    }
    for (; i < argc; ++i) options.program.emplace_back(argv[i]);
    if (options.program.empty()) Usage("no program given");
    return options;
}

double Since(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double>(end - start).count();
}

std::string ExitText(int status) {
    if (WIFEXITED(status)) return "exited with status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return std::string("was killed by ") + strsignal(WTERMSIG(status));
    return "ended";
}

// Waits until the main window has been drawn into and has stayed for the
// settling time, or the timeout passes, or the program ends. Returns a
// failure text, empty on success.
std::string Watch(StartupWatch& watch, ChildProcess& child, const Options& options,
                  Clock::time_point start) {
    const auto deadline = start + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(options.timeoutSeconds));
    const auto settle = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(options.settleSeconds));
    // The program's end is noticed within this step; X events wake the wait at once.
    constexpr int kStepMs = 20;
    for (;;) {
        const auto now = Clock::now();
        const auto painted = watch.PaintedAt();
        if (painted && now >= *painted + settle) return {};
        if (watch.ConnectionBroken()) return "lost the connection to the X display";
        if (const auto status = child.PollExit())
            return "the program " + ExitText(*status) +
                   (watch.MappedAt() ? " before its main window was drawn into"
                                     : " before it mapped a main window");
        if (now >= deadline) {
            // Drawn but not yet settled: the times stand.
            if (painted) return {};
            return watch.MappedAt() ? "the main window was not drawn into within the timeout"
                                    : "no main window was mapped within the timeout";
        }
        pollfd x{watch.FileDescriptor(), POLLIN, 0};
        poll(&x, 1, kStepMs);
        watch.HandleEvents(Clock::now());
    }
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = ParseOptions(argc, argv);
    try {
        StartupWatch watch(options.choice, options.verbose);
        if (options.noNetwork) {
            if (const std::string error = IsolateFromNetwork(); !error.empty()) {
                std::fprintf(stderr, "bench_startup_probe: %s\n", error.c_str());
                return 1;
            }
        }
        AdoptOrphanedDescendants();
        const Clock::time_point start = Clock::now();
        watch.SetOrigin(start);
        ChildProcess child(options.program, options.logPath);
        // Events are stamped when they are read, so the probe must wake at
        // once beside a busy program. The program keeps the priority it was
        // started with; without the right to raise it, the probe keeps its own.
        setpriority(PRIO_PROCESS, 0, -10);
        const std::string failure = Watch(watch, child, options, start);
        const std::string stopNotes = child.Stop(std::chrono::milliseconds(3000));
        if (!stopNotes.empty())
            std::fprintf(stderr, "bench_startup_probe: %s\n", stopNotes.c_str());
        for (const std::string& line : watch.Replaced())
            std::fprintf(stderr, "bench_startup_probe: replaced: %s\n", line.c_str());
        if (!failure.empty()) {
            std::fprintf(stderr, "bench_startup_probe: %s: %s\n", options.program[0].c_str(),
                         failure.c_str());
            return 1;
        }
        std::printf("mapped %.4f painted %.4f\n", Since(start, *watch.MappedAt()),
                    Since(start, *watch.PaintedAt()));
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_startup_probe: %s\n", error.what());
        return 1;
    }
}
