#pragma once
// The exit reports the site has received, as they arrived: the raw query of
// each "/login.aspx" request and the time it came. Kept in memory and, when
// a file is given, appended to it as they come and read back at start, so a
// report sent just before the site was stopped is listed the next time.
// Safe to use from the server's worker threads.

#include <mutex>
#include <string>
#include <vector>

struct ReceivedReport {
    int number = 0;          // 1 for the first one received, in the order of arrival
    std::string receivedAt;  // local time, "YYYY-MM-DD hh:mm:ss"
    std::string rawQuery;    // the request's query exactly as sent, without "?"
};

class ReportBook {
public:
    // `filePath` empty: memory only.
    explicit ReportBook(std::string filePath);

    // Reads the reports an earlier run appended to the file; a missing file
    // is an empty book. False with `error` when the file exists but cannot be read.
    bool load(std::string& error);

    // Keeps a report and appends it to the file. A file that cannot be
    // written is told in `fileError`; the report is kept all the same.
    ReceivedReport add(const std::string& rawQuery, const std::string& receivedAt,
                       std::string& fileError);

    std::vector<ReceivedReport> newestFirst() const;

private:
    const std::string filePath_;
    mutable std::mutex mutex_;
    std::vector<ReceivedReport> reports_;
};

// The current local time as "YYYY-MM-DD hh:mm:ss".
std::string LocalTimeText();
