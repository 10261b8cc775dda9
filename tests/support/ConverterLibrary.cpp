#include "tests/support/ConverterLibrary.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <chrono>
#include <cstdint>
#include <thread>

ConverterLibrary::ConverterLibrary(const QString& path, const char* exportName) {
    Result<platform::DynamicLibrary> loaded = platform::DynamicLibrary::Load(path);
    if (!loaded) {
        error_ = loaded.failure().text;
        return;
    }
    library_ = std::move(loaded).value();
    function_ = library_.function<Function>(exportName);
    if (!function_) error_ = QStringLiteral("no export ") + QLatin1String(exportName);
}

int ConverterLibrary::convert(const QString& source, const QString& destination) const {
    return function_(QFile::encodeName(source).constData(),
                     QFile::encodeName(destination).constData());
}

int ConverterLibrary::boundedConvert(const QString& source, const QString& destination,
                                     int timeoutMs) const {
    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(destination);
    const pid_t child = fork();
    if (child == 0) _exit(function_(from.constData(), to.constData()) & 0xFF);
    if (child < 0) return kHung;
    int status = 0;
    for (int waitedMs = 0; waitedMs < timeoutMs; waitedMs += 10) {
        if (waitpid(child, &status, WNOHANG) == child) {
            return WIFEXITED(status) ? static_cast<int8_t>(WEXITSTATUS(status)) : kHung;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    return kHung;
}
