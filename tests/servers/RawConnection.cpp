#include "tests/servers/RawConnection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

RawConnection::RawConnection(int port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    connected_ =
        fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

RawConnection::~RawConnection() {
    if (fd_ >= 0) ::close(fd_);
}

bool RawConnection::send(const QByteArray& bytes) {
    qsizetype sent = 0;
    while (connected_ && sent < bytes.size()) {
        const ssize_t now = ::send(fd_, bytes.constData() + sent,
                                   static_cast<size_t>(bytes.size() - sent), MSG_NOSIGNAL);
        if (now <= 0) return false;
        sent += now;
    }
    return connected_;
}

QByteArray RawConnection::readSome(int timeoutMs) {
    if (!connected_ || closed_) return {};
    pollfd waiting{fd_, POLLIN, 0};
    if (::poll(&waiting, 1, timeoutMs) != 1) return {};
    char buffer[65536];
    const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
    if (got <= 0) {
        closed_ = true;
        reset_ = got < 0 && errno == ECONNRESET;
        return {};
    }
    return QByteArray(buffer, got);
}

QByteArray RawConnection::readToEnd(int idleMs) {
    QByteArray all;
    for (;;) {
        const QByteArray some = readSome(idleMs);
        if (some.isEmpty()) return all;
        all += some;
    }
}

QByteArray RawGet(int port, const QByteArray& target) {
    RawConnection connection(port);
    connection.send("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) +
                    "\r\n\r\n");
    return connection.readToEnd();
}

QByteArray HeadOf(const QByteArray& answer) {
    const qsizetype end = answer.indexOf("\r\n\r\n");
    return end < 0 ? answer : answer.left(end);
}

QByteArray BodyOf(const QByteArray& answer) {
    const qsizetype end = answer.indexOf("\r\n\r\n");
    return end < 0 ? QByteArray() : answer.mid(end + 4);
}
