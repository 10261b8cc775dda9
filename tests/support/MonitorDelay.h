#pragma once
// How long hearing oneself takes from the microphone to the speakers, on
// the sound server the tests run against: clicks played into a VoiceSink
// are recorded at its microphone (as a take records them) and, through a
// LoopbackMicrophone, at the speakers, both lined up by the server's own
// timing on one clock. Needs the monitor running from kMicrophone to the
// default sink.

#include <QString>
#include <vector>

struct MonitorDelay {
    bool ok = false;
    QString trouble;              // why not, when not ok
    size_t clicksPlayed = 0;
    size_t clicksInTake = 0;      // found at the microphone, as a take has them
    size_t clicksAtSpeakers = 0;
    std::vector<double> delaysMs;  // one per click, in order
};

class VoiceSink;

// Plays a few seconds of clicks into `voice`; `dir` takes the files.
MonitorDelay MeasureMonitorDelay(VoiceSink& voice, const QString& dir);
