#pragma once
// The measured latency corrections, one per pair of speakers (sink) and
// microphone (source) by their sound server names, kept per user in a file
// of the program's own ($XDG_CONFIG_HOME/tavimo/latency.ini, else
// ~/.config/tavimo/latency.ini). A value that is missing, garbled or
// beyond kMaxCorrection reads as none. Any thread.

#include <QString>
#include <chrono>
#include <optional>
#include <string>

#include "base/Result.h"

class LatencyCorrections {
public:
    static constexpr std::chrono::milliseconds kMaxCorrection{500};

    explicit LatencyCorrections(QString path) : path_(std::move(path)) {}

    std::optional<std::chrono::microseconds> forPair(const std::string& sink,
                                                     const std::string& source) const;
    Status store(const std::string& sink, const std::string& source,
                 std::chrono::microseconds correction);
    Status clear(const std::string& sink, const std::string& source);

private:
    QString path_;
};

QString LatencyCorrectionsPath();
