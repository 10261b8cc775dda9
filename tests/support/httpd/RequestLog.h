#pragma once
// The file in which the test server notes every request it reads: the
// request line and header lines exactly as they arrived (without line ends),
// then an empty line. Each request is appended with one write, before the
// server answers, so a client that has its answer finds its request logged.

#include <mutex>
#include <string>
#include <vector>

class RequestLog {
public:
    // An empty path logs nothing.
    explicit RequestLog(const std::string& path);
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    bool usable() const { return path_.empty() || fd_ >= 0; }
    void append(const std::vector<std::string>& lines);

private:
    std::string path_;
    int fd_ = -1;
    std::mutex writing_;
};
