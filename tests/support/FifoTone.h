#pragma once
// A 1 kHz tone (s16le mono 44100 Hz) written into the FIFO a test server's
// pipe source reads (module-pipe-source), at about the pace it reads, for
// as long as the object lives (30 s at most): a microphone with a sound of
// its own, on PulseAudio and PipeWire alike.

#include <QString>
#include <atomic>
#include <thread>

class FifoTone {
public:
    explicit FifoTone(const QString& fifoPath);
    ~FifoTone();
    FifoTone(const FifoTone&) = delete;
    FifoTone& operator=(const FifoTone&) = delete;

    bool ready() const { return fd_ >= 0; }

private:
    int fd_ = -1;
    std::atomic<bool> stop_ = false;
    std::thread writer_;
};
