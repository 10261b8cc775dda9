#pragma once
// Writes one WAV work file: an empty header first, then samples, then the
// header again with the real sizes. On the way the header's sizes are kept
// current, at least once every second of sound, so that a writer that never
// finishes (a process killed during a take) leaves a valid WAV file of all but
// its last second. A write that fails (disk full) is remembered, so the
// caller can report it once and still finish the file.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "audio/WavHeader.h"

class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Creates or truncates the file at `path` and writes the header of an
    // empty file of `format`. On failure returns false and leaves the
    // system's error number in errorNumber().
    bool create(const std::string& path, const WavHeader& format);

    bool isOpen() const { return file_ != nullptr; }

    // Appends sample bytes and, once a second of sound has gone to the file
    // since it last did, writes the header's sizes. Returns false when the
    // bytes or the sizes could not all be written; the bytes that did reach
    // the file still count.
    bool append(const void* bytes, size_t count);

    // Rewrites the header with the sizes of what was written and closes the
    // file. Returns false when that, or any earlier append, failed.
    bool finish();

    int64_t dataBytes() const { return dataBytes_; }
    bool failed() const { return failed_; }
    int errorNumber() const { return errorNumber_; }

private:
    void noteFailure();
    bool refreshSizes();

    struct FileCloser {
        void operator()(FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<FILE, FileCloser> file_;
    WavHeader header_{};
    int64_t dataBytes_ = 0;
    int64_t refreshedBytes_ = 0;     // data bytes the header's sizes last told
    int64_t refreshEveryBytes_ = 0;  // one second of sound
    bool failed_ = false;
    int errorNumber_ = 0;
};
