#include "tests/support/FifoTone.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <QFile>
#include <chrono>
#include <cmath>
#include <numbers>
#include <vector>

FifoTone::FifoTone(const QString& fifoPath)
    : fd_(::open(QFile::encodeName(fifoPath).constData(), O_WRONLY | O_NONBLOCK)) {
    if (fd_ < 0) return;
    writer_ = std::thread([this] {
        // A source unloaded mid-test leaves no reader: the write fails then,
        // instead of the broken pipe's signal ending the test.
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
        std::vector<int16_t> tone(441);  // 10 ms, a whole number of periods
        for (size_t i = 0; i < tone.size(); ++i) {
            tone[i] = static_cast<int16_t>(
                8000 * std::sin(2 * std::numbers::pi * 1000.0 * double(i) / 44100));
        }
        for (int chunk = 0; !stop_ && chunk < 3000; ++chunk) {
            // A full pipe drops the chunk; the source reads on regardless.
            [[maybe_unused]] const ssize_t written = ::write(fd_, tone.data(), tone.size() * 2);
            std::this_thread::sleep_for(std::chrono::milliseconds(9));
        }
    });
}

FifoTone::~FifoTone() {
    stop_ = true;
    if (writer_.joinable()) writer_.join();
    if (fd_ >= 0) ::close(fd_);
}
