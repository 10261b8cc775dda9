#pragma once
// A request as the test server reads it: the head's lines exactly as they
// arrived, and the parts the behaviours are chosen by.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

class Socket;

struct RequestHead {
    std::vector<std::string> lines;  // request line and header lines, without line ends
    bool complete = false;           // the empty line that ends the head arrived
    bool anything = false;           // at least one byte arrived
};

// Reads up to the end of the head (an empty line; CR LF or bare LF). Gives
// up, incomplete, when the client closes, stays silent for too long or sends
// a head larger than 64 KiB.
RequestHead ReadRequestHead(Socket& socket);

struct HttpRequest {
    std::string method;
    std::string target;  // as sent: origin form (/path?query) or absolute (http://host/path)
    std::string path;    // the target's path, also for the absolute form
    std::map<std::string, std::string> query;  // percent-decoded; "+" stays "+"

    std::string text(const std::string& key, const std::string& fallback = {}) const;
    // The query value as a non-negative number, `fallback` when it is
    // missing or not one.
    uint64_t number(const std::string& key, uint64_t fallback) const;
};

// The request line's parts, or nothing when the line is not "METHOD TARGET
// HTTP/x.y".
std::optional<HttpRequest> ParseRequestLine(const std::string& line);

// %XX sequences become bytes; a "%" not followed by two hex digits stays.
std::string PercentDecoded(const std::string& text);
