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
#include <vector>

#include "decoder/ostrel/Ostrel.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/WavCheck.h"

namespace {

struct MemoryFile {
    explicit MemoryFile(const char* name)
        : fd(memfd_create(name, MFD_CLOEXEC)), path("/proc/self/fd/" + std::to_string(fd)) {
        FuzzCheck(fd >= 0, "memfd_create");
    }
    int fd;
    std::string path;
};

void CheckWav(int fd, bool noAudio) {
    struct stat info {};
    FuzzCheck(fstat(fd, &info) == 0, "fstat");
    std::vector<unsigned char> bytes(static_cast<size_t>(info.st_size));
    FuzzCheck(pread(fd, bytes.data(), bytes.size(), 0) == info.st_size, "destination unreadable");
    const CheckedWav wav = CheckWholeWav(bytes.data(), bytes.size());
    FuzzCheck(wav.sampleRate >= 8000 && wav.sampleRate <= 48000, "an MPEG sample rate");
    if (noAudio)
        FuzzCheck(wav.dataBytes == 0 && wav.channels == 1 && wav.sampleRate == 44100,
                  "the bare header");
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
