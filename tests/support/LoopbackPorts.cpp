#include "tests/support/LoopbackPorts.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr int kConnectTimeoutMs = 1000;

// A TCP socket closed when it goes out of scope.
class TcpSocket {
public:
    explicit TcpSocket(int flags = 0)
        : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | flags, 0)) {}
    ~TcpSocket() {
        if (fd_ >= 0) ::close(fd_);
    }
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

sockaddr_in LoopbackAddress(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    return address;
}

}  // namespace

int FreeLoopbackPort() {
    TcpSocket socket;
    sockaddr_in address = LoopbackAddress(0);
    socklen_t length = sizeof address;
    if (socket.fd() < 0 ||
        ::bind(socket.fd(), reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::getsockname(socket.fd(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

bool AcceptsConnections(int port) {
    TcpSocket socket(SOCK_NONBLOCK);
    const sockaddr_in address = LoopbackAddress(port);
    if (socket.fd() < 0) return false;
    if (::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return true;
    if (errno != EINPROGRESS) return false;
    pollfd waiting{socket.fd(), POLLOUT, 0};
    if (::poll(&waiting, 1, kConnectTimeoutMs) != 1) return false;
    int error = 0;
    socklen_t length = sizeof error;
    return ::getsockopt(socket.fd(), SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}
