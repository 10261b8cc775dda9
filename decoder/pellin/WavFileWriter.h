#pragma once
// The destination WAV file: a 44-byte header, then the samples as they come,
// then the header again with the sizes. A file that is not finished is
// removed when the writer goes, so a failed call leaves no partial file.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "decoder/pellin/StdioFile.h"
#include "decoder/pellin/WavHeader.h"

namespace pellin {

class WavFileWriter {
public:
    WavFileWriter() = default;
    ~WavFileWriter();
    WavFileWriter(const WavFileWriter&) = delete;
    WavFileWriter& operator=(const WavFileWriter&) = delete;

    // Creates or truncates the file; false when that fails.
    bool create(const char* path);
    // Writes the header of an empty file of this format.
    bool begin(int channels, int sampleRate);
    bool started() const { return started_; }
    // Appends interleaved samples; false when the write fails or the file
    // would grow beyond what the header's 32-bit sizes can describe.
    bool append(const int16_t* samples, size_t count);
    // Writes the header again with the sizes and closes the file, which then
    // stays.
    bool finish();

private:
    void removeUnfinished();

    StdioFile file_;
    std::string path_;
    // Only a regular file that is still the one created here is removed; a
    // device such as /dev/full stays where it is.
    bool regular_ = false;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    WavHeader header_{};
    uint64_t dataBytes_ = 0;
    bool started_ = false;
    bool finished_ = false;
};

}  // namespace pellin
