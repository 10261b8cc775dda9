#include "audio/WavWriter.h"

#include <unistd.h>

#include <cerrno>

namespace {

// Sizes refreshed at least this often while a file of a format without a
// byte rate (any of its numbers 0) is written.
constexpr int64_t kFallbackRefreshBytes = 88200;

// The header with the sizes of `dataBytes` of samples, as far as its 32-bit
// fields can tell them.
WavHeader Sized(WavHeader header, int64_t dataBytes) {
    constexpr int64_t kLargest = int64_t{0xFFFFFFFF} - 36;
    const int64_t limited = dataBytes > kLargest ? kLargest : dataBytes;
    header.dataSize = static_cast<uint32_t>(limited);
    header.riffSize = static_cast<uint32_t>(limited + 36);
    return header;
}

}  // namespace

WavWriter::~WavWriter() {
    if (file_) finish();
}

void WavWriter::noteFailure() {
    if (!failed_) errorNumber_ = errno;
    failed_ = true;
}

bool WavWriter::create(const std::string& path, const WavHeader& format) {
    if (file_) finish();
    failed_ = false;
    errorNumber_ = 0;
    dataBytes_ = 0;
    refreshedBytes_ = 0;
    const int64_t perSecond = WavBytesPerSecond(
        format.channels, static_cast<int>(format.sampleRate), format.bitsPerSample);
    refreshEveryBytes_ = perSecond > 0 ? perSecond : kFallbackRefreshBytes;
    errno = 0;
    file_.reset(std::fopen(path.c_str(), "wb"));
    if (!file_) {
        errorNumber_ = errno;
        return false;
    }
    // Unbuffered: every append is one write, so a full disk shows at the
    // append that met it, and nothing is left in a buffer to fail later.
    std::setvbuf(file_.get(), nullptr, _IONBF, 0);
    header_ = format;
    header_.riffSize = 36;
    header_.dataSize = 0;
    if (std::fwrite(&header_, sizeof header_, 1, file_.get()) != 1) noteFailure();
    return true;
}

bool WavWriter::append(const void* bytes, size_t count) {
    if (!file_) return false;
    if (count == 0) return true;
    const size_t written = std::fwrite(bytes, 1, count, file_.get());
    dataBytes_ += static_cast<int64_t>(written);
    if (written != count) {
        noteFailure();
        return false;
    }
    if (dataBytes_ - refreshedBytes_ >= refreshEveryBytes_ && !refreshSizes()) {
        noteFailure();
        return false;
    }
    return true;
}

bool WavWriter::refreshSizes() {
    // In place, without moving the file position: the header never grows the
    // file, so this cannot meet a full disk.
    const WavHeader sized = Sized(header_, dataBytes_);
    if (::pwrite(fileno(file_.get()), &sized, sizeof sized, 0) != sizeof sized) return false;
    refreshedBytes_ = dataBytes_;
    return true;
}

bool WavWriter::finish() {
    if (!file_) return !failed_;
    // The header describes what really is in the file.
    if (std::fseek(file_.get(), 0, SEEK_END) == 0) {
        const long size = std::ftell(file_.get());
        if (size >= 0) dataBytes_ = WavDataLength(size);
    }
    header_ = Sized(header_, dataBytes_);
    if (std::fseek(file_.get(), 0, SEEK_SET) != 0 ||
        std::fwrite(&header_, sizeof header_, 1, file_.get()) != 1 ||
        std::fflush(file_.get()) != 0) {
        noteFailure();
    }
    if (std::fclose(file_.release()) != 0) noteFailure();
    return !failed_;
}
