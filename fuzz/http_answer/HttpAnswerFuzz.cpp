// What the program does with whatever a server sends. The target's own
// loopback server is also the desktop's proxy here, so every request the
// program makes, redirects included, reaches it and nothing leaves the
// machine; it answers each connection with the input, byte for byte, and
// closes. A text request returns its body trimmed or nothing; a download
// succeeds with a file or fails with a failure code.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <thread>

#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzFolder.h"
#include "net/http/HttpGetText.h"
#include "net/http/UrlDownload.h"

namespace {

// A loopback socket that stays open for the whole run.
class Listener {
public:
    Listener() {
        socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        FuzzCheck(socket_ >= 0 &&
                      ::bind(socket_, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
                      ::listen(socket_, 16) == 0 &&
                      ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0,
                  "no loopback listener");
        port_ = ntohs(address.sin_port);
    }
    ~Listener() { ::close(socket_); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    int port() const { return port_; }

    // Answers every connection with `answer` until `stop` becomes readable:
    // reads the request head (as far as it comes in one go), sends the bytes,
    // closes.
    void serve(const QByteArray& answer, int stop) const {
        for (;;) {
            pollfd waiting[2] = {{socket_, POLLIN, 0}, {stop, POLLIN, 0}};
            if (::poll(waiting, 2, -1) <= 0) continue;
            if (waiting[1].revents != 0) return;
            const int connection = ::accept4(socket_, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0) continue;
            char head[4096];
            (void)!::recv(connection, head, sizeof head, 0);
            for (qsizetype sent = 0; sent < answer.size();) {
                const ssize_t n = ::send(connection, answer.constData() + sent,
                                         static_cast<size_t>(answer.size() - sent), MSG_NOSIGNAL);
                if (n <= 0) break;
                sent += n;
            }
            ::shutdown(connection, SHUT_RDWR);
            ::close(connection);
        }
    }

private:
    int socket_ = -1;
    int port_ = 0;
};

const Listener& TheListener() {
    static const Listener listener;
    static const bool proxySet = [] {
        const QByteArray proxy = "http://127.0.0.1:" + QByteArray::number(listener.port());
        return ::setenv("http_proxy", proxy.constData(), 1) == 0 && ::unsetenv("HTTP_PROXY") == 0 &&
               ::unsetenv("no_proxy") == 0 && ::unsetenv("NO_PROXY") == 0;
    }();
    FuzzCheck(proxySet, "cannot make the listener the proxy");
    return listener;
}

// Runs `request` while the listener answers with `answer`.
template <typename Request>
void WhileAnswering(const QByteArray& answer, Request request) {
    const int stop = ::eventfd(0, EFD_CLOEXEC);
    FuzzCheck(stop >= 0, "eventfd");
    std::thread server([&] { TheListener().serve(answer, stop); });
    request();
    const uint64_t one = 1;
    FuzzCheck(::write(stop, &one, sizeof one) == sizeof one, "waking the server");
    server.join();
    ::close(stop);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TheListener();
    const QByteArray answer(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // The host is never looked up: the proxy is asked for it.
    const QString url = QStringLiteral("http://songs.invalid/get?name=x");

    QString text;
    WhileAnswering(answer, [&] { text = HttpGetText(url); });
    // Trimmed as bytes: no control character or blank at either end.
    FuzzCheck(text.isEmpty() || (text.front().unicode() > 32 && text.back().unicode() > 32),
              "an untrimmed text answer");

    const QString destination = FuzzFolder() + QStringLiteral("download");
    QFile::remove(destination);
    uint32_t result = 0;
    WhileAnswering(answer, [&] { result = UrlDownloadToFile(url, destination, nullptr); });
    if (result == download::kOk) {
        FuzzCheck(QFile::exists(destination), "a download reported whole without a file");
    } else {
        FuzzCheck((result & 0x80000000u) != 0, "a failed download with a success code");
    }
    return 0;
}
