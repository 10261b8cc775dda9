// tavimo-test-httpd: the HTTP server the test suite runs its network tests
// against. It listens on 127.0.0.1 only, serves every connection on a thread
// of its own and behaves as the request's path says (Behaviours.h). It runs
// until it is killed.
//
// Usage: tavimo-test-httpd [--port N] [--log FILE]
//   --port N    the port to listen on; 0 (the default) picks a free one
//   --log FILE  append every request's head to FILE (RequestLog.h)
// The first line on standard output is the port, written once the server
// accepts connections.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

#include "tests/support/httpd/Behaviours.h"
#include "tests/support/httpd/HttpRequest.h"
#include "tests/support/httpd/RequestLog.h"
#include "tests/support/httpd/Socket.h"

namespace {

struct Options {
    int port = 0;
    std::string logPath;
};

bool ReadOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view name = argv[i];
        if (i + 1 >= argc) return false;
        const std::string_view value = argv[++i];
        if (name == "--port") {
            const auto [end, error] =
                std::from_chars(value.data(), value.data() + value.size(), options.port);
            if (error != std::errc() || end != value.data() + value.size() || options.port < 0 ||
                options.port > 65535)
                return false;
        } else if (name == "--log") {
            options.logPath = value;
        } else {
            return false;
        }
    }
    return true;
}

// The listening socket, closed when main returns.
class Listener {
public:
    explicit Listener(int port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        if (fd_ < 0) return;
        const int on = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(port));
        socklen_t length = sizeof address;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(fd_, SOMAXCONN) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
        port_ = ntohs(address.sin_port);
    }
    ~Listener() {
        if (fd_ >= 0) ::close(fd_);
    }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    bool listening() const { return fd_ >= 0; }
    int port() const { return port_; }
    int fd() const { return fd_; }

private:
    int fd_;
    int port_ = 0;
};

void Serve(int fd, RequestLog& log, AttemptCounts& attempts) {
    Socket socket(fd);
    try {
        const RequestHead head = ReadRequestHead(socket);
        if (!head.anything) return;  // the client went before it sent a byte
        log.append(head.lines);
        const auto request =
            head.lines.empty() ? std::nullopt : ParseRequestLine(head.lines.front());
        if (!head.complete || !request)
            AnswerBadRequest(socket);
        else
            Answer(socket, *request, attempts);
    } catch (const std::exception& error) {
        // One broken connection must not take the others down.
        std::fprintf(stderr, "tavimo-test-httpd: %s\n", error.what());
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ReadOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: %s [--port N] [--log FILE]\n", argv[0]);
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);

    RequestLog log(options.logPath);
    if (!log.usable()) {
        std::fprintf(stderr, "tavimo-test-httpd: cannot write %s: %s\n", options.logPath.c_str(),
                     std::strerror(errno));
        return 1;
    }
    Listener listener(options.port);
    if (!listener.listening()) {
        std::fprintf(stderr, "tavimo-test-httpd: cannot listen on 127.0.0.1:%d: %s\n", options.port,
                     std::strerror(errno));
        return 1;
    }
    std::printf("%d\n", listener.port());
    std::fflush(stdout);

    AttemptCounts attempts;
    for (;;) {
        const int fd = ::accept4(listener.fd(), nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            // Out of descriptors: give the connections that hold them a moment to end.
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        try {
            std::thread(Serve, fd, std::ref(log), std::ref(attempts)).detach();
        } catch (const std::system_error&) {
            ::close(fd);  // no thread to spare: this connection is refused
        }
    }
}
