#include "effects/WavBlockReader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "effects/FileFailures.h"

namespace effects {

Result<WavBlockReader> WavBlockReader::open(const std::string& path) {
    errno = 0;
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return UnreadableFile(path, errno);
    struct stat info {};
    if (fstat(fileno(file.get()), &info) != 0) return UnreadableFile(path, errno);
    if (!S_ISREG(info.st_mode)) return InvalidFile(path, "不是普通文件");
    WavHeaderBytes header;
    if (std::fread(header.data(), 1, header.size(), file.get()) != header.size()) {
        if (std::ferror(file.get())) return UnreadableFile(path, errno != 0 ? errno : EIO);
        return InvalidFile(path, "文件比 WAV 文件头还短");
    }
    Result<WavFormat> format = ParseWavHeader(header, path);
    if (!format) return format.failure();
    const int64_t frames = (info.st_size - kWavHeaderBytes) / (2 * format.value().channels);
    return WavBlockReader(std::move(file), path, format.value(), frames);
}

Result<size_t> WavBlockReader::read(std::span<int16_t> into) {
    const size_t channels = static_cast<size_t>(format_.channels);
    // Frames past the length found at opening are not read: a file that
    // grows meanwhile must not change the length the caller planned for.
    const size_t wanted = static_cast<size_t>(
        std::min<int64_t>(static_cast<int64_t>(into.size() / channels), frames_ - framesRead_));
    if (wanted == 0) return size_t{0};
    errno = 0;
    const size_t got = std::fread(into.data(), 2 * channels, wanted, file_.get());
    if (got < wanted && std::ferror(file_.get())) return UnreadableFile(path_, errno ? errno : EIO);
    framesRead_ += static_cast<int64_t>(got);
    return got;
}

}  // namespace effects
