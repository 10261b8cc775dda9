#pragma once
// A WAV work file opened for playback: the format from the header's three
// fields (channels, sample rate, bits per sample), and the sample data from
// byte 44 to the last whole frame, read from disk piece by piece so memory
// does not grow with the file. Only 16-bit PCM plays.
// One thread at a time.

#include <QFile>
#include <QString>
#include <cstdint>

namespace platform {

class WavSampleFile {
public:
    static constexpr int64_t kHeaderBytes = 44;

    // Empty on success; otherwise what is wrong, in words for the error box,
    // and nothing is open.
    QString open(const QString& path);
    void close();
    bool isOpen() const { return file_.isOpen(); }

    int channels() const { return channels_; }
    int sampleRate() const { return sampleRate_; }
    int frameBytes() const { return channels_ * 2; }

    // Back to the first sample.
    bool rewind();

    // Up to `maxBytes` of sample data in whole frames: 0 at the end, -1 when
    // the file cannot be read.
    int64_t read(void* into, int64_t maxBytes);

private:
    QFile file_;
    int channels_ = 0;
    int sampleRate_ = 0;
    int64_t end_ = kHeaderBytes;
};

}  // namespace platform
