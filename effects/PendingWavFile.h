#pragma once
// A WAV file written under a temporary name in its destination's folder and
// renamed over the destination only when complete: a failed or cancelled
// write leaves no partial file and keeps a file already there (the
// destination may be the very file being read). One thread at a time.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

#include "base/Result.h"
#include "effects/WavFormat.h"

namespace effects {

class PendingWavFile {
public:
    static Result<PendingWavFile> create(const std::string& destination, const WavFormat& format);

    PendingWavFile(PendingWavFile&& other) noexcept;
    PendingWavFile& operator=(PendingWavFile&&) = delete;
    PendingWavFile(const PendingWavFile&) = delete;
    // Removes the temporary file unless it was committed.
    ~PendingWavFile();

    // Appends interleaved samples (whole frames).
    Status append(std::span<const int16_t> samples);

    // Writes the header's sizes, closes the file and renames it over the
    // destination.
    Status commit();

    int64_t frames() const { return frames_; }

private:
    struct FileCloser {
        void operator()(FILE* file) const { std::fclose(file); }
    };
    PendingWavFile(std::unique_ptr<FILE, FileCloser> file, std::string destination,
                   std::string temporary, WavFormat format);
    void discard();

    std::unique_ptr<FILE, FileCloser> file_;
    std::string destination_;
    std::string temporary_;  // empty once committed or moved from
    WavFormat format_;
    int64_t frames_ = 0;
};

}  // namespace effects
