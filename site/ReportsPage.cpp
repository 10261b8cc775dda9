#include "site/ReportsPage.h"

#include "site/HtmlText.h"
#include "site/ReportText.h"

namespace {

constexpr const char* kStyle =
    "body{padding:12px 16px}.report{background:#fff;border:1px solid #b9d3ee;margin:8px 0;"
    "padding:6px 10px}.report.bad{border-color:#d99}.head{color:#036}"
    ".bad .head{color:#a00}pre{margin:4px 0;font:13px/1.5 monospace;white-space:pre-wrap}"
    ".esc{color:#999;background:#f0f0f0;border-radius:2px;padding:0 1px}"
    ".param{color:#555;word-break:break-all;font:12px monospace}";

// The text in a <pre>: escapes marked, each line break after its "\n".
std::string ShownText(const std::string& bytes) {
    std::string html;
    for (const TextPiece& piece : DisplayPieces(bytes)) {
        if (!piece.escape) {
            html += HtmlEscape(piece.text);
            continue;
        }
        html += "<span class=\"esc\">" + HtmlEscape(piece.text) + "</span>";
        if (piece.text == "\\n") html += "\n";
    }
    return html;
}

std::string ReportHtml(const ReceivedReport& report) {
    const ReportReading reading = ReadReport(report.rawQuery);
    const std::string n = std::to_string(report.number);
    const bool decoded = reading.status == ReportStatus::kDecoded;
    std::string html = "<div class=\"report" + std::string(decoded ? "" : " bad") +
                       "\" id=\"report-" + n + "\" data-status=\"" + StatusName(reading.status) +
                       "\">\n<div class=\"head\">第 " + n + " 份，" +
                       HtmlEscape(report.receivedAt) + " 收到，";
    switch (reading.status) {
        case ReportStatus::kDecoded:
            html += "已解码（" + std::to_string(reading.text.size()) + " 字节）";
            break;
        case ReportStatus::kNotBase64:
            html += "无法解码：param 不是标准 Base64";
            break;
        case ReportStatus::kNoParam:
            html += "无法解码：请求中没有 param=";
            break;
    }
    html += "</div>\n";
    if (decoded) html += "<pre id=\"text-" + n + "\">" + ShownText(reading.text) + "</pre>\n";
    const std::string raw = reading.status == ReportStatus::kNoParam
                                ? "请求参数：" + HtmlEscape(EscapedLine(report.rawQuery))
                                : "param=" + HtmlEscape(EscapedLine(reading.param));
    html += "<div class=\"param\" id=\"param-" + n + "\">" + raw + "</div>\n</div>\n";
    return html;
}

}  // namespace

std::string ReportsPageHtml(const std::vector<ReceivedReport>& newestFirst) {
    std::string body =
        "<h1>退出报告</h1>\n<p>程序关闭时发给 <code>/login.aspx</code> 的报告，最新的在前，共 " +
        std::to_string(newestFirst.size()) +
        " 份。灰色的 <span class=\"esc\">\\r</span><span class=\"esc\">\\n</span> "
        "是回车和换行，<span class=\"esc\">\\xNN</span> 是不属于 UTF-8 文字的字节。"
        "<a href=\"/reports.txt\">纯文本</a></p>\n";
    for (const ReceivedReport& report : newestFirst) body += ReportHtml(report);
    if (newestFirst.empty()) body += "<p id=\"no-reports\">还没有收到报告。</p>\n";
    return HtmlPage("退出报告", body, kStyle);
}
