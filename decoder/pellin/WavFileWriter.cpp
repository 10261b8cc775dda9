#include "decoder/pellin/WavFileWriter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace pellin {

namespace {
constexpr int kBitsPerSample = 16;
constexpr uint64_t kMaxDataBytes = UINT32_MAX - kEmptyRiffSize;
}  // namespace

WavFileWriter::~WavFileWriter() { removeUnfinished(); }

bool WavFileWriter::create(const char* path) {
    file_ = StdioFile(std::fopen(path, "wb"));
    if (!file_) return false;
    path_ = path;
    struct stat status;
    if (fstat(fileno(file_.get()), &status) == 0) {
        regular_ = S_ISREG(status.st_mode);
        device_ = status.st_dev;
        inode_ = status.st_ino;
    }
    // Samples come in whole blocks of their own; a stdio buffer would only
    // copy them once more.
    std::setvbuf(file_.get(), nullptr, _IONBF, 0);
    return true;
}

bool WavFileWriter::begin(int channels, int sampleRate) {
    InitWavHeader(header_, channels, sampleRate, kBitsPerSample);
    started_ = true;
    return std::fwrite(&header_, kWavHeaderBytes, 1, file_.get()) == 1;
}

bool WavFileWriter::append(const int16_t* samples, size_t count) {
    const uint64_t bytes = uint64_t{count} * sizeof(int16_t);
    if (bytes > kMaxDataBytes - dataBytes_) return false;
    if (std::fwrite(samples, sizeof(int16_t), count, file_.get()) != count) return false;
    dataBytes_ += bytes;
    return true;
}

bool WavFileWriter::finish() {
    header_.dataSize = static_cast<uint32_t>(dataBytes_);
    header_.riffSize = header_.dataSize + kEmptyRiffSize;
    std::FILE* file = file_.get();
    if (std::fseek(file, 0, SEEK_SET) != 0 ||
        std::fwrite(&header_, kWavHeaderBytes, 1, file) != 1) {
        return false;
    }
    if (!file_.close()) return false;
    finished_ = true;
    return true;
}

void WavFileWriter::removeUnfinished() {
    if (path_.empty() || finished_) return;
    file_.close();
    struct stat status;
    if (regular_ && stat(path_.c_str(), &status) == 0 && status.st_dev == device_ &&
        status.st_ino == inode_) {
        unlink(path_.c_str());
    }
}

}  // namespace pellin
