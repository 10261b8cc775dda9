#include "site/HtmlText.h"

namespace {

bool IsHostCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == ':' || c == '[' || c == ']';
}

// The look of the program's window: pale blue ground, 12-pixel Song type.
constexpr const char* kStyle =
    "body{margin:0;padding:6px 8px;background:#eaf4fe;color:#000;"
    "font:12px/1.5 SimSun,'Noto Serif CJK SC','Noto Sans CJK SC',sans-serif}"
    "a{color:#0645ad}h1{font-size:14px;margin:2px 0 6px}"
    "h2{font-size:13px;margin:10px 0 4px}p{margin:4px 0}";

}  // namespace

std::string HtmlEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string PageHost(const std::string& hostHeader, int localPort) {
    bool plain = !hostHeader.empty() && hostHeader.size() <= 255;
    for (const char c : hostHeader) plain = plain && IsHostCharacter(c);
    if (plain) return hostHeader;
    return "127.0.0.1:" + std::to_string(localPort);
}

std::string HtmlPage(const std::string& title, const std::string& body,
                     const std::string& extraStyle) {
    return "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
           HtmlEscape(title) + "</title>\n<style>" + kStyle + extraStyle +
           "</style>\n</head>\n<body>\n" + body + "</body>\n</html>\n";
}
