#include "audio/ReplacingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>

namespace {

// Attempts at a temporary name nobody else holds.
constexpr int kNameAttempts = 100;

QByteArray Name(const QString& path) { return QFile::encodeName(path); }

}  // namespace

ReplacingFile::ReplacingFile(const QString& destination) : destination_(destination) {}

ReplacingFile::~ReplacingFile() {
    if (!committed_) discard();
}

bool ReplacingFile::open() {
    const QFileInfo info(destination_);
    target_ = info.isSymLink() && info.exists() ? info.canonicalFilePath() : destination_;
    struct stat existing {};
    const bool exists = ::stat(Name(target_).constData(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        errno = EISDIR;
        return false;
    }
    if (exists && !S_ISREG(existing.st_mode)) {
        inPlace_ = true;
        writtenPath_ = target_;
        file_.reset(std::fopen(Name(target_).constData(), "w+b"));
        return file_ != nullptr;
    }

    // A hidden name beside the destination: the rename stays within one file
    // system, and file managers do not show the half-written file.
    const QFileInfo targetInfo(target_);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const QString candidate =
            targetInfo.absolutePath() + QStringLiteral("/.") + targetInfo.fileName() +
            QStringLiteral(".%1.part")
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        const int fd =
            ::open(Name(candidate).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        // The new file keeps the permissions of the one it replaces.
        if (exists) ::fchmod(fd, existing.st_mode & 07777);
        file_.reset(::fdopen(fd, "w+b"));
        if (!file_) {
            ::close(fd);
            ::unlink(Name(candidate).constData());
            return false;
        }
        writtenPath_ = candidate;
        return true;
    }
    errno = EEXIST;
    return false;
}

bool ReplacingFile::close() { return file_ ? std::fclose(file_.release()) == 0 : true; }

bool ReplacingFile::commit() {
    if (writtenPath_.isEmpty() || !close()) return false;
    if (!inPlace_) {
        // On the disk before it takes the old file's place: a crash right
        // after the rename must not leave an empty song either.
        const int fd = ::open(Name(writtenPath_).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        const bool synced = ::fsync(fd) == 0;
        ::close(fd);
        if (!synced) return false;
        if (::rename(Name(writtenPath_).constData(), Name(target_).constData()) != 0) return false;
    }
    committed_ = true;
    return true;
}

void ReplacingFile::discard() {
    file_.reset();
    if (!inPlace_ && !writtenPath_.isEmpty()) ::unlink(Name(writtenPath_).constData());
}
