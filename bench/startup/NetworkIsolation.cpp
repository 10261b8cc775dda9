#include "NetworkIsolation.h"

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

class Socket {
public:
    Socket() : fd_(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}
    ~Socket() {
        if (fd_ >= 0) close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

std::string Failure(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

std::string IsolateFromNetwork() {
    if (unshare(CLONE_NEWNET) != 0) return Failure("new network namespace");
    Socket control;
    if (control.fd() < 0) return Failure("socket for interface settings");
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    if (ioctl(control.fd(), SIOCGIFFLAGS, &request) != 0) return Failure("loopback flags");
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
    if (ioctl(control.fd(), SIOCSIFFLAGS, &request) != 0) return Failure("loopback up");
    return {};
}
