#include "tests/support/SilentSocket.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

SilentSocket::SilentSocket() : path_(QFile::encodeName(dir_.filePath("pipewire-0"))) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (!dir_.isValid() || size_t(path_.size()) >= sizeof address.sun_path) return;
    std::memcpy(address.sun_path, path_.constData(), size_t(path_.size()));
    listener_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (listener_ < 0) return;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 8) != 0) {
        ::close(listener_);
        listener_ = -1;
    }
}

SilentSocket::~SilentSocket() {
    if (listener_ >= 0) ::close(listener_);
}
