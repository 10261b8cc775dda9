#include "site/Base64.h"

namespace {

int SextetOf(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::optional<std::string> DecodeBase64(const std::string& text) {
    if (text.size() % 4 != 0) return std::nullopt;
    size_t padding = 0;
    if (!text.empty() && text.back() == '=') padding = text[text.size() - 2] == '=' ? 2 : 1;
    const size_t dataChars = text.size() - padding;
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3);
    unsigned bits = 0;
    int bitCount = 0;
    for (size_t i = 0; i < dataChars; ++i) {
        const int sextet = SextetOf(text[i]);
        if (sextet < 0) return std::nullopt;  // also an "=" before the end
        bits = (bits << 6) | static_cast<unsigned>(sextet);
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            bytes += static_cast<char>((bits >> bitCount) & 0xFF);
        }
    }
    return bytes;
}
