#include "tests/support/httpd/HttpRequest.h"

#include <algorithm>
#include <charconv>
#include <chrono>

#include "tests/support/httpd/Socket.h"

namespace {

constexpr size_t kMaxHeadBytes = 64 * 1024;
constexpr int kHeadTimeoutMs = 30000;

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::vector<std::string> SplitLines(const std::string& head) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < head.size()) {
        size_t end = head.find('\n', start);
        if (end == std::string::npos) end = head.size();
        std::string line = head.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) break;
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

std::map<std::string, std::string> ParseQuery(const std::string& query) {
    std::map<std::string, std::string> values;
    size_t start = 0;
    while (start <= query.size()) {
        size_t end = query.find('&', start);
        if (end == std::string::npos) end = query.size();
        const std::string pair = query.substr(start, end - start);
        const size_t equals = pair.find('=');
        if (!pair.empty()) {
            if (equals == std::string::npos)
                values.emplace(PercentDecoded(pair), std::string());
            else
                values.emplace(PercentDecoded(pair.substr(0, equals)),
                               PercentDecoded(pair.substr(equals + 1)));
        }
        start = end + 1;
    }
    return values;
}

}  // namespace

RequestHead ReadRequestHead(Socket& socket) {
    RequestHead head;
    std::string received;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kHeadTimeoutMs);
    char buffer[4096];
    for (;;) {
        const size_t end = std::min(received.find("\n\r\n"), received.find("\n\n"));
        if (end != std::string::npos) {
            head.complete = true;
            received.resize(end + 1);
            break;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (received.size() > kMaxHeadBytes || left.count() <= 0) break;
        const ssize_t got = socket.receive(buffer, sizeof buffer, static_cast<int>(left.count()));
        if (got <= 0) break;
        received.append(buffer, static_cast<size_t>(got));
        head.anything = true;
    }
    // An incomplete head keeps only its whole lines: a cut-off line is not
    // what the client meant to send.
    if (!head.complete)
        received.resize(received.rfind('\n') == std::string::npos ? 0 : received.rfind('\n') + 1);
    head.lines = SplitLines(received);
    return head;
}

std::optional<HttpRequest> ParseRequestLine(const std::string& line) {
    const size_t firstBlank = line.find(' ');
    const size_t secondBlank = line.find(' ', firstBlank + 1);
    if (firstBlank == std::string::npos || secondBlank == std::string::npos ||
        line.find(' ', secondBlank + 1) != std::string::npos)
        return std::nullopt;
    HttpRequest request;
    request.method = line.substr(0, firstBlank);
    request.target = line.substr(firstBlank + 1, secondBlank - firstBlank - 1);
    if (request.method.empty() || request.target.empty() ||
        line.compare(secondBlank + 1, 5, "HTTP/") != 0)
        return std::nullopt;

    std::string pathAndQuery = request.target;
    const size_t scheme = pathAndQuery.find("://");
    if (scheme != std::string::npos && pathAndQuery.front() != '/') {
        const size_t pathStart = pathAndQuery.find('/', scheme + 3);
        pathAndQuery = pathStart == std::string::npos ? "/" : pathAndQuery.substr(pathStart);
    }
    const size_t question = pathAndQuery.find('?');
    request.path = pathAndQuery.substr(0, question);
    if (question != std::string::npos)
        request.query = ParseQuery(pathAndQuery.substr(question + 1));
    return request;
}

std::string HttpRequest::text(const std::string& key, const std::string& fallback) const {
    const auto found = query.find(key);
    return found == query.end() ? fallback : found->second;
}

uint64_t HttpRequest::number(const std::string& key, uint64_t fallback) const {
    const auto found = query.find(key);
    if (found == query.end()) return fallback;
    const std::string& digits = found->second;
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return error == std::errc() && end == digits.data() + digits.size() && !digits.empty()
               ? value
               : fallback;
}

std::string PercentDecoded(const std::string& text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            decoded.push_back(
                static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 2;
        } else {
            decoded.push_back(text[i]);
        }
    }
    return decoded;
}
