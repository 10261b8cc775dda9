#include "encoder/StreamTable.h"

#include <utility>

StreamTable& StreamTable::Instance() {
    static StreamTable table;
    return table;
}

lame_enc::Stream StreamTable::add(std::unique_ptr<EncoderStream> stream) {
    std::lock_guard lock(mutex_);
    const lame_enc::Stream handle = next_++;
    streams_[handle].stream = std::move(stream);
    return handle;
}

EncoderStream* StreamTable::find(lame_enc::Stream handle) {
    std::lock_guard lock(mutex_);
    const auto it = streams_.find(handle);
    return it == streams_.end() || it->second.closed ? nullptr : it->second.stream.get();
}

lame_enc::Result StreamTable::close(lame_enc::Stream handle) {
    // Streams are released after the lock is given up.
    std::unique_ptr<EncoderStream> released;
    std::unique_ptr<EncoderStream> replaced;
    std::lock_guard lock(mutex_);
    const auto it = streams_.find(handle);
    if (it == streams_.end() || it->second.closed) return lame_enc::kErrInvalidHandle;
    if (it->second.stream->flushed() && it->second.stream->wantsTag()) {
        if (waiting_ != 0) {
            const auto earlier = streams_.find(waiting_);
            replaced = std::move(earlier->second.stream);
            streams_.erase(earlier);
        }
        it->second.closed = true;
        waiting_ = handle;
    } else {
        released = std::move(it->second.stream);
        streams_.erase(it);
    }
    return lame_enc::kOk;
}

std::unique_ptr<EncoderStream> StreamTable::takeFlushed(lame_enc::Stream handle) {
    std::lock_guard lock(mutex_);
    const auto it = streams_.find(handle);
    if (it == streams_.end() || !it->second.stream->flushed()) return nullptr;
    std::unique_ptr<EncoderStream> stream = std::move(it->second.stream);
    streams_.erase(it);
    if (waiting_ == handle) waiting_ = 0;
    return stream;
}

std::unique_ptr<EncoderStream> StreamTable::takeWaiting() {
    std::lock_guard lock(mutex_);
    if (waiting_ == 0) return nullptr;
    const auto it = streams_.find(waiting_);
    std::unique_ptr<EncoderStream> stream = std::move(it->second.stream);
    streams_.erase(it);
    waiting_ = 0;
    return stream;
}
