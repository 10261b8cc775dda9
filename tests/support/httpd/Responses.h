#pragma once
// The pieces every answer of the test server is written with.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class Socket;

using Headers = std::vector<std::pair<std::string, std::string>>;

const char* ReasonPhrase(int status);

// "HTTP/1.1 <status> <reason>", `headers`, "Connection: close" and the empty
// line: every answer ends its connection.
bool SendHead(Socket& socket, int status, const Headers& headers);

// Bytes `from` to `from + count` of the pattern, streamed from one fixed
// block, so any size costs the same memory.
bool SendPattern(Socket& socket, uint64_t from, uint64_t count);

// The pattern's bytes `from` to `from + count` as one chunk of a chunked body.
bool SendPatternChunk(Socket& socket, uint64_t from, uint64_t count);

// The chunk of size zero that ends a chunked body.
bool SendLastChunk(Socket& socket);
