#pragma once
// What tavimo-test-httpd does for a request, chosen by its path. Numbers and
// texts come from the query, percent-decoded ("+" stays "+": write a blank as
// %20); a number that is missing or unreadable takes the default in
// brackets. Every answer carries "Connection: close" and the connection ends
// after it: one request per connection. "The pattern" is byte i = i mod 251
// (BodyPattern.h); its bodies are application/octet-stream, all others
// text/plain.
//
// Path          Query                       Answer
// ------------  --------------------------  --------------------------------------------------
// /bytes        size [0]                    200, Content-Length: size, size bytes of the
//                                           pattern, streamed: any size costs no memory
// /chunked      size [0], chunk [16384]     200, Transfer-Encoding: chunked, the same bytes in
//                                           chunks of `chunk` bytes
// /close        size [0]                    200 with neither length nor chunking, the same
//                                           bytes, then the server closes
// /status/CODE  body ["CODE Reason\n"]      CODE (100..999) with its reason phrase,
//                                           Content-Length and the body; 1xx, 204 and 304
//                                           have no body
// /redirect     to [/bytes?size=16],        code with "Location: to" and a small body
//               code [302]
// /echo         body [""]                   200, Content-Length, the body verbatim
// /flaky        id [""], fail [1],          the first `fail` requests with this id: 200
//               size [1024], cut [size/2],  announcing size bytes, then only the first `cut`
//               reset [0]                   bytes and FIN (RST when reset=1); every later
//                                           request with the id: as /bytes. Ids are counted
//                                           for the server's life.
// /hang                                     reads the request, never answers: holds the
//                                           connection until the client goes or the server
//                                           stops
// /trickle      size [64], piece [1],       200, Content-Length: size (no length, close-
//               every [100], length [1]     delimited, when length=0); `piece` bytes of the
//                                           pattern every `every` ms
// /endless      chunk [16384], every [0]    200, chunked, chunks of the pattern without end,
//                                           `every` ms apart, until the client goes
// /malformed                                the status line "HTTP/1.1 two hundred OK", then a
//                                           length and a 5-byte body
// /raw          data [""]                   exactly the bytes of `data`, then FIN
// /drop         reset [0]                   reads the request and closes without a byte (RST
//                                           when reset=1)
// anything else                             404 with a small body
// a head that is no HTTP request            400 with a small body; its whole lines are
//                                           logged as they came
//
// The request target may also be in absolute form (http://host:port/path):
// the path after the authority chooses the behaviour.

#include <map>
#include <mutex>
#include <string>

class Socket;
struct HttpRequest;

// How many /flaky requests arrived for each id.
class AttemptCounts {
public:
    // Counts one more request for `id` and returns its number, 1 for the first.
    unsigned long long next(const std::string& id);

private:
    std::mutex counting_;
    std::map<std::string, unsigned long long> counts_;
};

// Answers `request` on `socket` and ends the connection.
void Answer(Socket& socket, const HttpRequest& request, AttemptCounts& attempts);

// Answers a head that is not an HTTP request.
void AnswerBadRequest(Socket& socket);
