#include "fuzz/FuzzFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>

#include "fuzz/FuzzCheck.h"

const QString& FuzzFolder() {
    static const QTemporaryDir dir((QDir(QStringLiteral("/dev/shm")).exists()
                                        ? QStringLiteral("/dev/shm")
                                        : QDir::tempPath()) +
                                   QStringLiteral("/tavimo-fuzz-XXXXXX"));
    static const QString path = dir.path() + QLatin1Char('/');
    FuzzCheck(dir.isValid(), "no folder for the fuzz files");
    return path;
}

QByteArray FuzzPath(const QString& name) { return QFile::encodeName(FuzzFolder() + name); }

void WriteFuzzFileAt(const char* path, const uint8_t* data, size_t size) {
    const int file = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    FuzzCheck(file >= 0, "cannot write a fuzz file");
    while (size > 0) {
        const ssize_t written = ::write(file, data, size);
        if (written < 0 && errno == EINTR) continue;
        FuzzCheck(written > 0, "cannot write a fuzz file");
        data += written;
        size -= size_t(written);
    }
    ::close(file);
}

std::optional<QByteArray> ReadFuzzFileAt(const char* path) {
    const int file = ::open(path, O_RDONLY | O_CLOEXEC);
    if (file < 0) return std::nullopt;
    struct stat status;
    FuzzCheck(::fstat(file, &status) == 0, "cannot read a fuzz file");
    QByteArray contents(qsizetype(status.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < contents.size()) {
        const ssize_t read = ::read(file, contents.data() + done, size_t(contents.size() - done));
        if (read < 0 && errno == EINTR) continue;
        FuzzCheck(read > 0, "cannot read a fuzz file");
        done += read;
    }
    ::close(file);
    return contents;
}

QString WriteFuzzFile(const QString& name, const uint8_t* data, size_t size) {
    WriteFuzzFileAt(FuzzPath(name).constData(), data, size);
    return FuzzFolder() + name;
}

QByteArray ReadFuzzFile(const QString& name) {
    return ReadFuzzFileAt(FuzzPath(name).constData()).value_or(QByteArray());
}
