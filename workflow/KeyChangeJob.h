#pragma once
// One key change of the accompaniment, made on a thread of its own so the
// window stays live: its progress and its end reach the UI thread as queued
// calls. Cancelling (or destroying the job) stops it at its next block and
// leaves no file behind. UI thread only, but for the work itself.

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "base/Result.h"

class KeyChangeJob final : public QObject {
public:
    using Progress = std::function<void(double shareDone)>;
    using Finished = std::function<void(const Status& outcome)>;

    // Writes `input` moved by `semitones` to `output`, telling `progress`
    // as it goes and `finished` once at the end (not after a cancel).
    KeyChangeJob(const QString& input, const QString& output, int semitones, Progress progress,
                 Finished finished);
    ~KeyChangeJob() override;

    void cancel();

private:
    Progress progress_;
    Finished finished_;
    std::atomic<bool> cancelled_ = false;
    std::thread worker_;
};
