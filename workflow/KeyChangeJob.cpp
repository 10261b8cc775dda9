#include "workflow/KeyChangeJob.h"

#include <QFile>

#include "effects/KeyShift.h"

KeyChangeJob::KeyChangeJob(const QString& input, const QString& output, int semitones,
                           Progress progress, Finished finished)
    : progress_(std::move(progress)), finished_(std::move(finished)) {
    const std::string from = QFile::encodeName(input).toStdString();
    const std::string to = QFile::encodeName(output).toStdString();
    worker_ = std::thread([this, from, to, semitones] {
        const Status outcome = effects::ShiftKey(from, to, semitones, [this](double share) {
            if (cancelled_) return false;
            QMetaObject::invokeMethod(
                this, [this, share] { if (!cancelled_ && progress_) progress_(share); },
                Qt::QueuedConnection);
            return true;
        });
        QMetaObject::invokeMethod(
            this, [this, outcome] { if (!cancelled_ && finished_) finished_(outcome); },
            Qt::QueuedConnection);
    });
}

KeyChangeJob::~KeyChangeJob() {
    cancel();
    if (worker_.joinable()) worker_.join();
}

void KeyChangeJob::cancel() { cancelled_ = true; }
