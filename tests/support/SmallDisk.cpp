#include "tests/support/SmallDisk.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

// Once per process: a private mount namespace, so the tmpfs mounts of the
// tests are invisible to the rest of the machine and vanish with the process.
bool PrivateMountNamespace() {
    static const bool ok = [] {
        if (unshare(CLONE_NEWNS) != 0) return false;
        return mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    }();
    return ok;
}

}  // namespace

SmallDisk::SmallDisk(int kibibytes) {
    if (!dir_.isValid() || !PrivateMountNamespace()) return;
    const QByteArray options = "size=" + QByteArray::number(kibibytes) + "k";
    mounted_ = mount("tmpfs", dir_.path().toLocal8Bit().constData(), "tmpfs", 0,
                     options.constData()) == 0;
}

SmallDisk::~SmallDisk() {
    if (mounted_) umount2(dir_.path().toLocal8Bit().constData(), MNT_DETACH);
}

QString SmallDisk::path(const QString& name) const {
    return name.isEmpty() ? dir_.path() : dir_.filePath(name);
}

bool SmallDisk::makeReadOnly() {
    return mounted_ && mount(nullptr, dir_.path().toLocal8Bit().constData(), nullptr,
                             MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

void SmallDisk::fill() {
    const int fd = ::open(path(QStringLiteral(".filler")).toLocal8Bit().constData(),
                          O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0) return;
    static const char block[4096] = {};
    while (::write(fd, block, sizeof block) > 0) {
    }
    while (::write(fd, block, 1) > 0) {
    }
    ::close(fd);
}
