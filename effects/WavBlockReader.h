#pragma once
// Reads a WAV work file's samples in blocks of whole frames, so memory does
// not depend on the length of the song. One thread at a time.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

#include "base/Result.h"
#include "effects/WavFormat.h"

namespace effects {

class WavBlockReader {
public:
    // Opens `path` and checks its header; a file shorter than its header is
    // Invalid.
    static Result<WavBlockReader> open(const std::string& path);

    const WavFormat& format() const { return format_; }
    int64_t frames() const { return frames_; }
    int64_t framesRead() const { return framesRead_; }

    // Reads up to as many whole frames as `into` holds (interleaved) and
    // returns how many it read: 0 at the end of the samples.
    Result<size_t> read(std::span<int16_t> into);

private:
    struct FileCloser {
        void operator()(FILE* file) const { std::fclose(file); }
    };
    WavBlockReader(std::unique_ptr<FILE, FileCloser> file, std::string path, WavFormat format,
                   int64_t frames)
        : file_(std::move(file)), path_(std::move(path)), format_(format), frames_(frames) {}

    std::unique_ptr<FILE, FileCloser> file_;
    std::string path_;
    WavFormat format_;
    int64_t frames_ = 0;
    int64_t framesRead_ = 0;
};

}  // namespace effects
