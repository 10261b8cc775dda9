// The MP3 decoder library's export on arbitrary bytes. Ostrel reads them from
// a file and writes a WAV file, both held in memory (memfd). Whatever the
// input, the call returns a result that says what the destination holds, and
// when that is a WAV file it is a whole one: a 44-byte header of a format the
// library writes, whose sizes describe the samples after it.
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "decoder/ostrel/Ostrel.h"
#include "fuzz/FuzzCheck.h"

namespace {

struct MemoryFile {
    explicit MemoryFile(const char* name)
        : fd(memfd_create(name, MFD_CLOEXEC)), path("/proc/self/fd/" + std::to_string(fd)) {
        FuzzCheck(fd >= 0, "memfd_create");
    }
    int fd;
    std::string path;
};

uint32_t U32(const unsigned char* at) {
    uint32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

uint16_t U16(const unsigned char* at) {
    uint16_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

void CheckWav(int fd, bool noAudio) {
    struct stat info {};
    FuzzCheck(fstat(fd, &info) == 0, "fstat");
    FuzzCheck(info.st_size >= 44, "a WAV file shorter than its header");
    unsigned char h[44];
    FuzzCheck(pread(fd, h, sizeof h, 0) == sizeof h, "header unreadable");
    const uint32_t dataBytes = static_cast<uint32_t>(info.st_size - 44);
    FuzzCheck(std::memcmp(h, "RIFF", 4) == 0 && std::memcmp(h + 8, "WAVEfmt ", 8) == 0 &&
                  std::memcmp(h + 36, "data", 4) == 0,
              "chunk ids");
    FuzzCheck(U32(h + 40) == dataBytes && U32(h + 4) == dataBytes + 36,
              "header sizes disagree with the file");
    const uint16_t channels = U16(h + 22);
    const uint32_t rate = U32(h + 24);
    FuzzCheck(U16(h + 20) == 1 && U16(h + 34) == 16, "not 16-bit PCM");
    FuzzCheck(channels == 1 || channels == 2, "channel count");
    FuzzCheck(rate >= 8000 && rate <= 48000, "sample rate");
    FuzzCheck(U16(h + 32) == channels * 2 && U32(h + 28) == rate * channels * 2,
              "block align or byte rate");
    FuzzCheck(dataBytes % (channels * 2u) == 0, "a partial frame of samples");
    if (noAudio) FuzzCheck(dataBytes == 0 && channels == 1 && rate == 44100, "the bare header");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const MemoryFile source("source.mp3");
    static const MemoryFile destination("bgsound.wav");
    FuzzCheck(ftruncate(source.fd, 0) == 0 && ftruncate(destination.fd, 0) == 0, "ftruncate");
    for (size_t done = 0; done < size;) {
        const ssize_t n = pwrite(source.fd, data + done, size - done, static_cast<off_t>(done));
        FuzzCheck(n > 0, "writing the source");
        done += static_cast<size_t>(n);
    }

    switch (Ostrel(source.path.c_str(), destination.path.c_str())) {
        case kOstrelDecoded:
        case kOstrelRateChanged:
            CheckWav(destination.fd, false);
            break;
        case kOstrelNoAudio:
            CheckWav(destination.fd, true);
            break;
        default:
            // Both files open, are read and are written without fail here.
            FuzzCheck(false, "a failure result for a readable source");
    }
    return 0;
}
