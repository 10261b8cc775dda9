#include "effects/PendingWavFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "effects/FileFailures.h"

namespace effects {

Result<PendingWavFile> PendingWavFile::create(const std::string& destination,
                                              const WavFormat& format) {
    const std::filesystem::path target(destination);
    // A hidden name beside the destination, so the rename stays in one file system.
    std::string name = target.filename().string();
    name.insert(name.begin(), '.');
    name.append(".XXXXXX");
    std::string temporary = (target.parent_path() / name).string();
    errno = 0;
    const int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0) return UnwritableFile(destination, errno);
    std::unique_ptr<FILE, FileCloser> file(::fdopen(descriptor, "wb"));
    if (!file) {
        const int error = errno;
        ::close(descriptor);
        ::unlink(temporary.c_str());
        return UnwritableFile(destination, error);
    }
    // mkstemp makes the file private; a work file gets the rights the usual
    // umask gives. (Asking for the umask would change it for every thread.)
    ::fchmod(descriptor, 0644);
    PendingWavFile pending(std::move(file), destination, std::move(temporary), format);
    // The header of an empty file first; commit() writes the real sizes.
    const WavHeaderBytes header = MakeWavHeader(format, 0);
    if (std::fwrite(header.data(), 1, header.size(), pending.file_.get()) != header.size())
        return UnwritableFile(destination, errno);
    return pending;
}

PendingWavFile::PendingWavFile(std::unique_ptr<FILE, FileCloser> file, std::string destination,
                               std::string temporary, WavFormat format)
    : file_(std::move(file)),
      destination_(std::move(destination)),
      temporary_(std::move(temporary)),
      format_(format) {}

PendingWavFile::PendingWavFile(PendingWavFile&& other) noexcept
    : file_(std::move(other.file_)),
      destination_(std::move(other.destination_)),
      temporary_(std::exchange(other.temporary_, std::string())),
      format_(other.format_),
      frames_(other.frames_) {}

PendingWavFile::~PendingWavFile() { discard(); }

void PendingWavFile::discard() {
    file_.reset();
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

Status PendingWavFile::append(std::span<const int16_t> samples) {
    if (!file_) return UnwritableFile(destination_, EBADF);
    errno = 0;
    if (std::fwrite(samples.data(), sizeof(int16_t), samples.size(), file_.get()) != samples.size())
        return UnwritableFile(destination_, errno ? errno : EIO);
    frames_ += static_cast<int64_t>(samples.size()) / format_.channels;
    return {};
}

Status PendingWavFile::commit() {
    if (!file_) return UnwritableFile(destination_, EBADF);
    const WavHeaderBytes header = MakeWavHeader(format_, frames_);
    errno = 0;
    if (std::fseek(file_.get(), 0, SEEK_SET) != 0 ||
        std::fwrite(header.data(), 1, header.size(), file_.get()) != header.size() ||
        std::fflush(file_.get()) != 0) {
        const int error = errno ? errno : EIO;
        discard();
        return UnwritableFile(destination_, error);
    }
    if (std::fclose(file_.release()) != 0) {
        const int error = errno;
        discard();
        return UnwritableFile(destination_, error);
    }
    if (std::rename(temporary_.c_str(), destination_.c_str()) != 0) {
        const int error = errno;
        discard();
        return UnwritableFile(destination_, error);
    }
    temporary_.clear();
    return {};
}

}  // namespace effects
