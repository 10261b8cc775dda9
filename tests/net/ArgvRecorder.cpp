// A program for tests of program launch: appends one record of how it was
// started to the file named by $TAVIMO_ARGV_LOG: its arguments, each ended
// by a NUL byte, then a line feed. With $TAVIMO_ARGV_SLEEP_MS it then waits
// that long before it ends.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    std::string record;
    for (int i = 0; i < argc; ++i) {
        record += argv[i];
        record += '\0';
    }
    record += '\n';
    if (const char* log = std::getenv("TAVIMO_ARGV_LOG")) {
        const int fd = open(log, O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd >= 0) {
            (void)!write(fd, record.data(), record.size());
            close(fd);
        }
    }
    if (const char* sleepMs = std::getenv("TAVIMO_ARGV_SLEEP_MS"))
        usleep(static_cast<useconds_t>(std::atoi(sleepMs)) * 1000);
    return 0;
}
