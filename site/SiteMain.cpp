// tavimo-site: the local stand-in for the Quaviro singing site, listening on
// 127.0.0.1 only. Prints the port it listens on as the first line on
// standard output, and stops cleanly on SIGINT, SIGTERM or SIGHUP.
#include <httplib.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "site/DeadPort.h"
#include "site/ReportBook.h"
#include "site/SiteOptions.h"
#include "site/SiteRoutes.h"
#include "site/catalogue/SongCatalogue.h"

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "tavimo-site: %s\n", message.c_str());
    return 1;
}

std::filesystem::path SongsBesideProgram() {
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    return (ec ? std::filesystem::current_path(ec) : program.parent_path()) / "songs";
}

// Only one site may own a port: SO_REUSEPORT, which the library would set,
// would let a second one share it and take half of the requests.
void SocketOptions(int socket) {
    const int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

}  // namespace

int main(int argc, char** argv) {
    SiteOptions options;
    std::string error;
    if (!ParseSiteOptions({argv + 1, argv + argc}, options, error)) {
        std::fprintf(stderr, "tavimo-site: %s\n%s", error.c_str(), kSiteUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kSiteUsage, stdout);
        return 0;
    }

    SiteContent content;
    content.songFolder = options.dataFolder.empty() ? SongsBesideProgram()
                                                    : std::filesystem::path(options.dataFolder);
    const auto songs = ReadSongCatalogue((content.songFolder / kSongCatalogueFile).string(), error);
    if (!songs) return Fail(error);
    content.songs = *songs;
    ReportBook reports(options.reportsFile);
    if (!reports.load(error)) return Fail(error);
    content.reports = &reports;
    DeadPort deadPort;
    content.edgePages = options.edgePages;
    content.deadPort = deadPort.port();

    // The signals are taken by sigwait below; every thread started from here
    // on inherits the blocked set.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    httplib::Server server;
    server.set_socket_options(SocketOptions);
    // A stop waits for idle keep-alive connections to time out: keep that short.
    server.set_keep_alive_timeout(1);
    AddSiteRoutes(server, content);
    int port = options.port;
    if (port == 0) {
        port = server.bind_to_any_port("127.0.0.1");
    } else if (!server.bind_to_port("127.0.0.1", port)) {
        port = -1;
    }
    if (port <= 0) {
        return Fail("cannot listen on 127.0.0.1:" + std::to_string(options.port));
    }
    std::printf("%d\n", port);
    std::fflush(stdout);

    std::atomic<bool> stopping = false;
    std::thread listener([&] {
        server.listen_after_bind();
        // Ended by itself: wake the main thread as a signal would.
        if (!stopping) kill(getpid(), SIGTERM);
    });
    int signal = 0;
    sigwait(&stopSignals, &signal);
    stopping = true;
    server.stop();
    listener.join();
    return 0;
}
