#pragma once
// What the singing aids show: the input level meter on the main window, and
// in the "调音" window the microphones to choose from, a line about the
// microphone or hearing oneself, and the latency test's correction and
// outcome. The main window implements it; tests with a record of their own.
// UI thread only.

#include <QString>
#include <QStringList>
#include <optional>

#include "audio/LevelMeter.h"

class LiveAidsView {
public:
    virtual ~LiveAidsView() = default;

    virtual void setInputLevel(const LevelReading& reading) = 0;
    // The microphones by their descriptions, the one in use marked (-1: none).
    virtual void showMicrophones(const QStringList& descriptions, int current) = 0;
    virtual void setLiveNote(const QString& text) = 0;
    // The correction the takes on this speakers and microphone get, in
    // whole milliseconds; empty when there is none.
    virtual void setLatencyCorrection(std::optional<int> ms) = 0;
    virtual void setLatencyTestRunning(bool running) = 0;
    virtual void setLatencyNote(const QString& text) = 0;
};
