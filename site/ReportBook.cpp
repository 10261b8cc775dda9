#include "site/ReportBook.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "site/ReportText.h"

ReportBook::ReportBook(std::string filePath) : filePath_(std::move(filePath)) {}

bool ReportBook::load(std::string& error) {
    if (filePath_.empty()) return true;
    std::error_code ec;
    if (!std::filesystem::exists(filePath_, ec)) return true;
    std::ifstream in(filePath_, std::ios::binary);
    if (!in) {
        error = filePath_ + ": cannot be read";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::lock_guard lock(mutex_);
    reports_ = ParseReportRecords(text.str());
    return true;
}

ReceivedReport ReportBook::add(const std::string& rawQuery, const std::string& receivedAt,
                               std::string& fileError) {
    std::lock_guard lock(mutex_);
    const ReceivedReport report{static_cast<int>(reports_.size()) + 1, receivedAt, rawQuery};
    reports_.push_back(report);
    if (!filePath_.empty()) {
        std::ofstream out(filePath_, std::ios::binary | std::ios::app);
        out << ReportRecord(report);
        out.close();
        if (!out) fileError = filePath_ + ": the report cannot be appended";
    }
    return report;
}

std::vector<ReceivedReport> ReportBook::newestFirst() const {
    std::lock_guard lock(mutex_);
    return {reports_.rbegin(), reports_.rend()};
}

std::string LocalTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}
