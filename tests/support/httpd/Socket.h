#pragma once
// One accepted connection of the test server. It owns the descriptor and
// offers the ways the server ends a connection: gracefully, with a reset, or
// by waiting for the client to go. Writes never raise SIGPIPE.

#include <sys/types.h>

#include <cstddef>
#include <string_view>

class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket();
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // Sends all of `data`; false once the client has gone.
    bool sendAll(const void* data, size_t size);
    bool sendAll(std::string_view text) { return sendAll(text.data(), text.size()); }

    // Reads what has arrived, waiting at most `timeoutMs`: the count read, 0
    // when the client closed, -1 on an error or when nothing came in time.
    ssize_t receive(char* buffer, size_t size, int timeoutMs);

    // Sends FIN, then reads and drops what the client still sends for a
    // short while: closing with unread bytes would reset the connection and
    // could destroy an answer the client has not read yet.
    void closeGracefully();

    // Ends the connection with RST instead of FIN.
    void reset();

    // Blocks until the client closes its side (or the connection fails),
    // dropping anything it sends meanwhile.
    void waitForClientClose();

private:
    void close();

    int fd_;
};
