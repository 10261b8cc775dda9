#pragma once
// Reading an exit report from the query it came with, and writing report
// bytes so that every byte can be seen: valid UTF-8 as it is, line breaks,
// other control bytes and bytes that are not UTF-8 as escapes.

#include <optional>
#include <string>
#include <vector>

#include "site/ReportBook.h"

enum class ReportStatus {
    kDecoded,    // param= holds Base64; `text` is what it encodes
    kNotBase64,  // param= holds something else
    kNoParam,    // the query has no param=
};

struct ReportReading {
    ReportStatus status = ReportStatus::kNoParam;
    std::string param;  // the value of the first param= as sent
    std::string text;   // the decoded report, any bytes
};

// The program sends "param=" and the Base64 text with "+", "/" and "="
// unescaped. Percent escapes in the value (%2B, %2F, %3D) are undone first,
// for senders that escape; a "+" stays a "+", never a blank.
ReportReading ReadReport(const std::string& rawQuery);

// "decoded", "not-base64" or "no-param".
const char* StatusName(ReportStatus status);

// A run of bytes as shown: plain text, or one escape standing for one byte
// ("\r", "\n", "\t", "\xNN").
struct TextPiece {
    bool escape = false;
    std::string text;
};
std::vector<TextPiece> DisplayPieces(const std::string& bytes);

// The bytes on one line: the escapes of DisplayPieces, and "\\" for a backslash.
std::string EscapedLine(const std::string& bytes);
// The bytes an EscapedLine stands for; nothing for a malformed one.
std::optional<std::string> UnescapedLine(const std::string& line);

// A report as lines of "key=value" ended by an empty line: number, received,
// query, status, and param and text where there are such (values escaped).
// The reports file and "/reports.txt" hold these records.
std::string ReportRecord(const ReceivedReport& report);

// The reports in records as ReportRecord writes them, in the order they
// stand. Records without a received time or a query are passed over.
std::vector<ReceivedReport> ParseReportRecords(const std::string& records);
