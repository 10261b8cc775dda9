#include "tests/support/httpd/Socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace {

constexpr int kDrainTimeoutMs = 2000;

}  // namespace

Socket::~Socket() { close(); }

void Socket::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool Socket::sendAll(const void* data, size_t size) {
    const char* next = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t sent = ::send(fd_, next, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        next += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

ssize_t Socket::receive(char* buffer, size_t size, int timeoutMs) {
    pollfd waiting{fd_, POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&waiting, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0) return -1;
    ssize_t got;
    do {
        got = ::recv(fd_, buffer, size, 0);
    } while (got < 0 && errno == EINTR);
    return got;
}

void Socket::closeGracefully() {
    if (fd_ < 0) return;
    ::shutdown(fd_, SHUT_WR);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kDrainTimeoutMs);
    char dropped[4096];
    while (std::chrono::steady_clock::now() < deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (receive(dropped, sizeof dropped, static_cast<int>(left.count()) + 1) <= 0) break;
    }
    close();
}

void Socket::reset() {
    if (fd_ < 0) return;
    const linger abortive{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    close();
}

void Socket::waitForClientClose() {
    char dropped[4096];
    while (receive(dropped, sizeof dropped, -1) > 0) {
    }
}
