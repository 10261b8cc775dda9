#include "site/ReportText.h"

#include <sstream>

#include "site/Base64.h"

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string PercentDecoded(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Length of the valid UTF-8 sequence at `at` (no overlong forms, no
// surrogates, nothing above U+10FFFF), 0 when there is none.
size_t Utf8Length(const std::string& s, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    size_t length = 0;
    unsigned low = 0x80, high = 0xBF;  // range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > s.size()) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (size_t i = 2; i < length; ++i) {
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
    }
    return length;
}

std::string ByteEscape(unsigned char c) {
    switch (c) {
        case '\r':
            return "\\r";
        case '\n':
            return "\\n";
        case '\t':
            return "\\t";
    }
    static const char kHex[] = "0123456789ABCDEF";
    return std::string("\\x") + kHex[c >> 4] + kHex[c & 15];
}

}  // namespace

ReportReading ReadReport(const std::string& rawQuery) {
    ReportReading reading;
    size_t start = 0;
    while (start <= rawQuery.size()) {
        size_t end = rawQuery.find('&', start);
        if (end == std::string::npos) end = rawQuery.size();
        if (rawQuery.compare(start, 6, "param=") == 0 && end - start >= 6) {
            reading.param = rawQuery.substr(start + 6, end - start - 6);
            std::optional<std::string> text = DecodeBase64(PercentDecoded(reading.param));
            reading.status = text ? ReportStatus::kDecoded : ReportStatus::kNotBase64;
            if (text) reading.text = *text;
            return reading;
        }
        start = end + 1;
    }
    return reading;
}

const char* StatusName(ReportStatus status) {
    switch (status) {
        case ReportStatus::kDecoded:
            return "decoded";
        case ReportStatus::kNotBase64:
            return "not-base64";
        case ReportStatus::kNoParam:
            return "no-param";
    }
    return "";
}

std::vector<TextPiece> DisplayPieces(const std::string& bytes) {
    std::vector<TextPiece> pieces;
    for (size_t i = 0; i < bytes.size();) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        const size_t length = Utf8Length(bytes, i);
        if (length == 0 || c < 0x20 || c == 0x7F) {
            pieces.push_back({true, ByteEscape(c)});
            ++i;
            continue;
        }
        if (pieces.empty() || pieces.back().escape) pieces.push_back({false, {}});
        pieces.back().text.append(bytes, i, length);
        i += length;
    }
    return pieces;
}

std::string EscapedLine(const std::string& bytes) {
    std::string line;
    for (const TextPiece& piece : DisplayPieces(bytes)) {
        if (piece.escape) {
            line += piece.text;
            continue;
        }
        for (const char c : piece.text) line += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    return line;
}

std::optional<std::string> UnescapedLine(const std::string& line) {
    std::string bytes;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\') {
            bytes += line[i];
            continue;
        }
        if (++i == line.size()) return std::nullopt;
        switch (line[i]) {
            case '\\':
                bytes += '\\';
                break;
            case 'r':
                bytes += '\r';
                break;
            case 'n':
                bytes += '\n';
                break;
            case 't':
                bytes += '\t';
                break;
            case 'x': {
                if (i + 2 >= line.size()) return std::nullopt;
                const int high = HexValue(line[i + 1]);
                const int low = HexValue(line[i + 2]);
                if (high < 0 || low < 0) return std::nullopt;
                bytes += static_cast<char>(high * 16 + low);
                i += 2;
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return bytes;
}

std::string ReportRecord(const ReceivedReport& report) {
    const ReportReading reading = ReadReport(report.rawQuery);
    std::string record = "number=" + std::to_string(report.number) + "\n" +
                         "received=" + EscapedLine(report.receivedAt) + "\n" +
                         "query=" + EscapedLine(report.rawQuery) + "\n" +
                         "status=" + StatusName(reading.status) + "\n";
    if (reading.status != ReportStatus::kNoParam) {
        record += "param=" + EscapedLine(reading.param) + "\n";
    }
    if (reading.status == ReportStatus::kDecoded) {
        record += "text=" + EscapedLine(reading.text) + "\n";
    }
    return record + "\n";
}

std::vector<ReceivedReport> ParseReportRecords(const std::string& records) {
    std::vector<ReceivedReport> reports;
    std::optional<std::string> received, query;
    auto finish = [&] {
        if (received && query) {
            const int number = static_cast<int>(reports.size()) + 1;
            reports.push_back({number, *received, *query});
        }
        received.reset();
        query.reset();
    };
    std::istringstream in(records);
    for (std::string line; std::getline(in, line);) {
        if (line.empty()) {
            finish();
        } else if (line.rfind("received=", 0) == 0) {
            received = UnescapedLine(line.substr(9));
        } else if (line.rfind("query=", 0) == 0) {
            query = UnescapedLine(line.substr(6));
        }
    }
    finish();
    return reports;
}
