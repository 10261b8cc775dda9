#pragma once
// The source file, read by FFmpeg through an I/O context of ours instead of
// by name: the file is opened once, a path is never taken for a URL of some
// other protocol, and a read error is told apart from the end of the file.

#include <sys/types.h>

#include <cstdint>

#include "decoder/pellin/FfmpegHandles.h"
#include "decoder/pellin/StdioFile.h"

namespace pellin {

class SourceFile {
public:
    // False when the file cannot be opened for reading or is a folder.
    bool open(const char* path);

    int descriptor() const;
    // A regular file, whose size means something (not a device or a pipe).
    bool regular() const { return regular_; }
    int64_t size() const { return size_; }
    // Same file as the one at `path` (a destination must not be the source).
    bool isSameFileAs(const char* path) const;

    // A reading context for avformat over this file; null when it could not
    // be allocated. It lives as long as this object.
    AVIOContext* ioContext();
    // A read failed with an error (not the end of the file).
    bool readFailed() const { return readFailed_; }

private:
    static int Read(void* self, uint8_t* buffer, int size);
    static int64_t Seek(void* self, int64_t offset, int whence);

    StdioFile file_;
    bool regular_ = false;
    int64_t size_ = 0;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    IoContext io_;
    bool readFailed_ = false;
    // The end of a regular file was read and no seek came since.
    bool atEnd_ = false;
};

}  // namespace pellin
