#include "tests/support/httpd/Behaviours.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <thread>

#include "tests/support/httpd/HttpRequest.h"
#include "tests/support/httpd/Responses.h"
#include "tests/support/httpd/Socket.h"

namespace {

constexpr uint64_t kDefaultChunkBytes = 16384;

const std::pair<std::string, std::string> kPatternType{"Content-Type", "application/octet-stream"};
const std::pair<std::string, std::string> kTextType{"Content-Type", "text/plain"};

void SendText(Socket& socket, int status, const std::string& body, Headers headers = {}) {
    headers.push_back(kTextType);
    headers.emplace_back("Content-Length", std::to_string(body.size()));
    if (SendHead(socket, status, headers)) socket.sendAll(body);
    socket.closeGracefully();
}

void PauseMs(uint64_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void Bytes(Socket& socket, uint64_t size) {
    if (SendHead(socket, 200, {kPatternType, {"Content-Length", std::to_string(size)}}))
        SendPattern(socket, 0, size);
    socket.closeGracefully();
}

void Chunked(Socket& socket, const HttpRequest& request) {
    const uint64_t size = request.number("size", 0);
    const uint64_t chunk = std::max<uint64_t>(1, request.number("chunk", kDefaultChunkBytes));
    bool sending = SendHead(socket, 200, {kPatternType, {"Transfer-Encoding", "chunked"}});
    for (uint64_t from = 0; sending && from < size; from += chunk)
        sending = SendPatternChunk(socket, from, std::min(chunk, size - from));
    if (sending) SendLastChunk(socket);
    socket.closeGracefully();
}

void CloseDelimited(Socket& socket, uint64_t size) {
    if (SendHead(socket, 200, {kPatternType})) SendPattern(socket, 0, size);
    socket.closeGracefully();
}

void Status(Socket& socket, const HttpRequest& request) {
    const std::string code = request.path.substr(std::string("/status/").size());
    int status = 0;
    const auto [end, error] = std::from_chars(code.data(), code.data() + code.size(), status);
    if (error != std::errc() || end != code.data() + code.size() || status < 100 || status > 999) {
        SendText(socket, 400, "no status code in the path\n");
        return;
    }
    if (status < 200 || status == 204 || status == 304) {
        SendHead(socket, status, {});
        socket.closeGracefully();
        return;
    }
    SendText(socket, status, request.text("body", code + ' ' + ReasonPhrase(status) + '\n'));
}

void Redirect(Socket& socket, const HttpRequest& request) {
    const std::string location = request.text("to", "/bytes?size=16");
    const auto status = static_cast<int>(request.number("code", 302));
    SendText(socket, status, "moved to " + location + '\n', {{"Location", location}});
}

void Flaky(Socket& socket, const HttpRequest& request, AttemptCounts& attempts) {
    const uint64_t size = request.number("size", 1024);
    const uint64_t fail = request.number("fail", 1);
    if (attempts.next(request.text("id")) > fail) {
        Bytes(socket, size);
        return;
    }
    const uint64_t cut = std::min(size, request.number("cut", size / 2));
    if (SendHead(socket, 200, {kPatternType, {"Content-Length", std::to_string(size)}}))
        SendPattern(socket, 0, cut);
    if (request.number("reset", 0) == 1)
        socket.reset();
    else
        socket.closeGracefully();
}

void Trickle(Socket& socket, const HttpRequest& request) {
    const uint64_t size = request.number("size", 64);
    const uint64_t piece = std::max<uint64_t>(1, request.number("piece", 1));
    const uint64_t every = request.number("every", 100);
    Headers headers{kPatternType};
    if (request.number("length", 1) != 0)
        headers.emplace_back("Content-Length", std::to_string(size));
    bool sending = SendHead(socket, 200, headers);
    for (uint64_t from = 0; sending && from < size; from += piece) {
        if (from > 0) PauseMs(every);
        sending = SendPattern(socket, from, std::min(piece, size - from));
    }
    socket.closeGracefully();
}

void Endless(Socket& socket, const HttpRequest& request) {
    const uint64_t chunk = std::max<uint64_t>(1, request.number("chunk", kDefaultChunkBytes));
    const uint64_t every = request.number("every", 0);
    bool sending = SendHead(socket, 200, {kPatternType, {"Transfer-Encoding", "chunked"}});
    for (uint64_t from = 0; sending; from += chunk) {
        if (every > 0 && from > 0) PauseMs(every);
        sending = SendPatternChunk(socket, from, chunk);
    }
    socket.closeGracefully();
}

void Raw(Socket& socket, const std::string& data) {
    socket.sendAll(data);
    socket.closeGracefully();
}

void Drop(Socket& socket, const HttpRequest& request) {
    if (request.number("reset", 0) == 1)
        socket.reset();
    else
        socket.closeGracefully();
}

}  // namespace

unsigned long long AttemptCounts::next(const std::string& id) {
    const std::lock_guard<std::mutex> lock(counting_);
    return ++counts_[id];
}

void Answer(Socket& socket, const HttpRequest& request, AttemptCounts& attempts) {
    // "/echo.lrc" and the like: a behaviour under a file's name, as the
    // lyrics of a downloaded song are asked for.
    std::string path = request.path;
    if (path.ends_with(".lrc")) path.resize(path.size() - 4);
    if (path == "/bytes")
        Bytes(socket, request.number("size", 0));
    else if (path == "/chunked")
        Chunked(socket, request);
    else if (path == "/close")
        CloseDelimited(socket, request.number("size", 0));
    else if (path.starts_with("/status/"))
        Status(socket, request);
    else if (path == "/redirect")
        Redirect(socket, request);
    else if (path == "/echo")
        SendText(socket, 200, request.text("body"));
    else if (path == "/flaky")
        Flaky(socket, request, attempts);
    else if (path == "/hang")
        socket.waitForClientClose();
    else if (path == "/trickle")
        Trickle(socket, request);
    else if (path == "/endless")
        Endless(socket, request);
    else if (path == "/malformed")
        Raw(socket, "HTTP/1.1 two hundred OK\r\nContent-Length: 5\r\n\r\nhello");
    else if (path == "/raw")
        Raw(socket, request.text("data"));
    else if (path == "/drop")
        Drop(socket, request);
    else
        SendText(socket, 404, "nothing at " + path + '\n');
}

void AnswerBadRequest(Socket& socket) { SendText(socket, 400, "not an HTTP request\n"); }
