#pragma once
// The library's open streams by handle. A handle is a number, so a stale or
// made-up one is refused instead of followed. The table is destroyed, and
// every stream still in it released, when the library is unloaded.

#include <memory>
#include <mutex>
#include <unordered_map>

#include "encoder/EncoderStream.h"
#include "encoder/LameEnc.h"

class StreamTable {
public:
    static StreamTable& Instance();

    lame_enc::Stream add(std::unique_ptr<EncoderStream> stream);

    // The open (not yet closed) stream of `handle`, or null. Valid until that
    // stream is closed or taken.
    EncoderStream* find(lame_enc::Stream handle);

    // Ends the use of `handle`. A flushed stream that wants its tag stays,
    // closed, until it is taken; it replaces an earlier one that waited.
    lame_enc::Result close(lame_enc::Stream handle);

    // Removes the flushed stream of `handle`, closed or not, for its tag.
    std::unique_ptr<EncoderStream> takeFlushed(lame_enc::Stream handle);

    // Removes the stream that waits for its tag, if any.
    std::unique_ptr<EncoderStream> takeWaiting();

private:
    struct Entry {
        std::unique_ptr<EncoderStream> stream;
        bool closed = false;
    };
    std::mutex mutex_;
    std::unordered_map<lame_enc::Stream, Entry> streams_;
    lame_enc::Stream next_ = 1;
    lame_enc::Stream waiting_ = 0;
};
