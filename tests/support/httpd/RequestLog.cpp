#include "tests/support/httpd/RequestLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

RequestLog::RequestLog(const std::string& path) : path_(path) {
    if (!path_.empty())
        fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
}

RequestLog::~RequestLog() {
    if (fd_ >= 0) ::close(fd_);
}

void RequestLog::append(const std::vector<std::string>& lines) {
    if (fd_ < 0 || lines.empty()) return;
    std::string entry;
    for (const std::string& line : lines) entry += line + '\n';
    entry += '\n';
    const std::lock_guard<std::mutex> lock(writing_);
    const char* next = entry.data();
    size_t left = entry.size();
    while (left > 0) {
        const ssize_t written = ::write(fd_, next, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        next += written;
        left -= static_cast<size_t>(written);
    }
}
