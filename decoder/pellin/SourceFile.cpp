#include "decoder/pellin/SourceFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

namespace pellin {

namespace {
// avformat's own default; its reads are passed straight to the file.
constexpr int kIoBufferBytes = 32768;
}  // namespace

bool SourceFile::open(const char* path) {
    file_ = StdioFile(std::fopen(path, "rb"));
    if (!file_) return false;
    // A folder opens for reading but every read fails.
    struct stat status;
    if (fstat(descriptor(), &status) != 0 || S_ISDIR(status.st_mode)) {
        file_.close();
        return false;
    }
    regular_ = S_ISREG(status.st_mode);
    size_ = status.st_size;
    device_ = status.st_dev;
    inode_ = status.st_ino;
    // avformat keeps its own buffer; a second one in stdio would copy twice.
    std::setvbuf(file_.get(), nullptr, _IONBF, 0);
    return true;
}

int SourceFile::descriptor() const { return fileno(file_.get()); }

bool SourceFile::isSameFileAs(const char* path) const {
    struct stat status;
    return stat(path, &status) == 0 && status.st_dev == device_ && status.st_ino == inode_;
}

AVIOContext* SourceFile::ioContext() {
    if (io_) return io_.get();
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
    if (buffer == nullptr) return nullptr;
    io_.reset(avio_alloc_context(buffer, kIoBufferBytes, 0, this, &Read, nullptr, &Seek));
    if (!io_) av_free(buffer);
    return io_.get();
}

int SourceFile::Read(void* self, uint8_t* buffer, int size) {
    auto* source = static_cast<SourceFile*>(self);
    // A demuxer hunting for the next packet in a damaged file asks again
    // and again at the end; a regular file does not grow under it.
    if (source->atEnd_) return AVERROR_EOF;
    std::FILE* file = source->file_.get();
    const size_t read = std::fread(buffer, 1, static_cast<size_t>(size), file);
    if (read > 0) return static_cast<int>(read);
    if (std::ferror(file)) {
        source->readFailed_ = true;
        return AVERROR(EIO);
    }
    source->atEnd_ = source->regular_;
    return AVERROR_EOF;
}

int64_t SourceFile::Seek(void* self, int64_t offset, int whence) {
    auto* source = static_cast<SourceFile*>(self);
    // The size of a device or a pipe says nothing.
    if (whence & AVSEEK_SIZE) return source->regular_ ? source->size_ : AVERROR(ENOSYS);
    std::FILE* file = source->file_.get();
    source->atEnd_ = false;
    if (fseeko(file, offset, whence & ~AVSEEK_FORCE) != 0) return AVERROR(errno ? errno : EIO);
    return ftello(file);
}

}  // namespace pellin
