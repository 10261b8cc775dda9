#include "tests/support/httpd/Responses.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "tests/support/httpd/BodyPattern.h"
#include "tests/support/httpd/Socket.h"

namespace {

// A whole number of periods, so every offset into the pattern starts a run
// of nearly the block's length.
constexpr size_t kPatternBlockBytes = kPatternPeriod * 256;

const std::array<unsigned char, kPatternBlockBytes>& PatternBlock() {
    static const auto block = [] {
        std::array<unsigned char, kPatternBlockBytes> bytes{};
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = PatternByte(i);
        return bytes;
    }();
    return block;
}

constexpr std::pair<int, const char*> kReasonPhrases[] = {
    {100, "Continue"},
    {200, "OK"},
    {201, "Created"},
    {204, "No Content"},
    {206, "Partial Content"},
    {301, "Moved Permanently"},
    {302, "Found"},
    {303, "See Other"},
    {304, "Not Modified"},
    {307, "Temporary Redirect"},
    {308, "Permanent Redirect"},
    {400, "Bad Request"},
    {401, "Unauthorized"},
    {403, "Forbidden"},
    {404, "Not Found"},
    {407, "Proxy Authentication Required"},
    {410, "Gone"},
    {416, "Range Not Satisfiable"},
    {500, "Internal Server Error"},
    {502, "Bad Gateway"},
    {503, "Service Unavailable"},
};

}  // namespace

const char* ReasonPhrase(int status) {
    for (const auto& [code, phrase] : kReasonPhrases)
        if (code == status) return phrase;
    return "Status";
}

bool SendHead(Socket& socket, int status, const Headers& headers) {
    std::string head = "HTTP/1.1 " + std::to_string(status) + ' ' + ReasonPhrase(status) + "\r\n";
    for (const auto& [name, value] : headers) head += name + ": " + value + "\r\n";
    head += "Connection: close\r\n\r\n";
    return socket.sendAll(head);
}

bool SendPattern(Socket& socket, uint64_t from, uint64_t count) {
    const auto& block = PatternBlock();
    while (count > 0) {
        const size_t offset = from % kPatternPeriod;
        const size_t run = static_cast<size_t>(std::min<uint64_t>(count, block.size() - offset));
        if (!socket.sendAll(block.data() + offset, run)) return false;
        from += run;
        count -= run;
    }
    return true;
}

bool SendPatternChunk(Socket& socket, uint64_t from, uint64_t count) {
    if (count == 0) return true;  // a chunk of size zero would end the body
    char size[32];
    std::snprintf(size, sizeof size, "%llx\r\n", static_cast<unsigned long long>(count));
    return socket.sendAll(size) && SendPattern(socket, from, count) && socket.sendAll("\r\n");
}

bool SendLastChunk(Socket& socket) { return socket.sendAll("0\r\n\r\n"); }
