#pragma once
// What the test sound server's speakers play: the monitor of its default
// sink tavimo_speakers, recorded with parec into a raw file, mono 16-bit at
// kRateHz, for as long as the object records.

#include <QProcess>
#include <QString>
#include <cstdint>
#include <vector>

class SinkMonitor {
public:
    static constexpr int kRateHz = 44100;

    // Starts parec writing to `rawPath` and waits (10 s at most) until it
    // records; then records a little silence, so that the first sound played
    // afterwards is heard from its start.
    explicit SinkMonitor(const QString& rawPath);
    ~SinkMonitor();
    SinkMonitor(const SinkMonitor&) = delete;
    SinkMonitor& operator=(const SinkMonitor&) = delete;

    bool started() const { return started_; }

    // Stops the recording and returns all of it.
    std::vector<int16_t> finish();

private:
    QString path_;
    QProcess process_;
    bool started_ = false;
};

// `samples` from the first one of `threshold` or louder on: what was heard,
// without the silence before it.
std::vector<int16_t> FromFirstSound(const std::vector<int16_t>& samples, int threshold = 1000);
