#pragma once
// The singing aids' view as a record of what they showed, for tests
// without a display.

#include "workflow/LiveAidsView.h"

class RecordedLiveView final : public LiveAidsView {
public:
    LevelReading level;
    int levelsShown = 0;
    QStringList microphones;
    int microphoneInUse = -1;
    QString liveNote, latencyNote;
    std::optional<int> correctionMs;
    bool latencyTestRunning = false;

    void setInputLevel(const LevelReading& r) override {
        level = r;
        ++levelsShown;
    }
    void showMicrophones(const QStringList& d, int current) override {
        microphones = d;
        microphoneInUse = current;
    }
    void setLiveNote(const QString& t) override { liveNote = t; }
    void setLatencyCorrection(std::optional<int> ms) override { correctionMs = ms; }
    void setLatencyTestRunning(bool running) override { latencyTestRunning = running; }
    void setLatencyNote(const QString& t) override { latencyNote = t; }
};
