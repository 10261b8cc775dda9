#pragma once
// Sound input over Qt Multimedia: a QAudioSource on the default input device
// (or on a named one), read on the UI thread as the toolkit reports new data
// and cut into the lent blocks. The source is started and corked at open, so
// that a missing server or device shows there, before anything else is set
// up; start() and stop() uncork and cork it. UI thread only.

#include <QByteArray>
#include <QIODevice>
#include <QPointer>
#include <deque>
#include <memory>
#include <vector>

#include "platform/AudioInput.h"

class QAudioSource;

namespace platform {

class QtAudioInput final : public AudioInput {
public:
    // `deviceId` names one input device of the sound server; empty means the
    // default input, the one the program records from.
    explicit QtAudioInput(QByteArray deviceId = {});
    ~QtAudioInput() override;
    QtAudioInput(const QtAudioInput&) = delete;
    QtAudioInput& operator=(const QtAudioInput&) = delete;

    void setBlockHandler(BlockHandler handler) override { handler_ = std::move(handler); }
    AudioInputStatus open(const AudioInputFormat& format, size_t blockBytes) override;
    bool isOpen() const override { return source_ != nullptr; }
    AudioInputStatus prepareBlock(AudioBlock& block) override;
    AudioInputStatus queueBlock(AudioBlock& block) override;
    AudioInputStatus start() override;
    void stop() override;
    void close() override;

private:
    void readArrived();
    void deliverBlocks();
    size_t queueDepthBytes() const;

    QByteArray deviceId_;
    BlockHandler handler_;
    std::unique_ptr<QAudioSource> source_;
    // Owned by source_, which deletes it on its own when the server goes away.
    QPointer<QIODevice> reader_;
    std::vector<AudioBlock*> prepared_;
    std::deque<AudioBlock*> queued_;
    QByteArray pending_;  // read but not yet a whole block
    size_t blockBytes_ = 0;
    bool running_ = false;
    bool delivering_ = false;
};

}  // namespace platform
