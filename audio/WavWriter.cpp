#include "audio/WavWriter.h"

#include <cerrno>

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
    return true;
}

bool WavWriter::finish() {
    if (!file_) return !failed_;
    // The header describes what really is in the file.
    if (std::fseek(file_.get(), 0, SEEK_END) == 0) {
        const long size = std::ftell(file_.get());
        if (size >= 0) dataBytes_ = WavDataLength(size);
    }
    const int64_t limited = dataBytes_ > int64_t{0xFFFFFFFF} - 36 ? int64_t{0xFFFFFFFF} - 36 : dataBytes_;
    header_.dataSize = static_cast<uint32_t>(limited);
    header_.riffSize = static_cast<uint32_t>(limited + 36);
    if (std::fseek(file_.get(), 0, SEEK_SET) != 0 ||
        std::fwrite(&header_, sizeof header_, 1, file_.get()) != 1 ||
        std::fflush(file_.get()) != 0) {
        noteFailure();
    }
    if (std::fclose(file_.release()) != 0) noteFailure();
    return !failed_;
}
