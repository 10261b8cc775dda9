#include "site/SearchPage.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "site/HtmlText.h"

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Minutes(double seconds) {
    const long whole = std::lround(seconds);
    const std::string ss = std::to_string(whole % 60);
    return std::to_string(whole / 60) + ":" + (ss.size() < 2 ? "0" + ss : ss);
}

std::string Format(const CatalogueSong& song) {
    const size_t dot = song.file.rfind('.');
    std::string ext = dot == std::string::npos ? "" : song.file.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return ext;
}

constexpr const char* kStyle =
    "form{margin:0 0 4px;white-space:nowrap}input{width:150px;font-size:12px}"
    "button{font-size:12px}.links{float:right}.links a{margin-left:8px}"
    "table{border-collapse:collapse;width:100%}"
    "th,td{border-bottom:1px solid #c5dcf2;padding:1px 4px;text-align:left;height:18px}"
    "th{background:#d5e8fb;font-weight:normal;color:#036}"
    ".note{color:#066;margin-top:4px}";

}  // namespace

std::string MusicLink(const std::string& host, const CatalogueSong& song) {
    return "music://" + host + kFetchPath + "?id=" + std::to_string(song.id) + "&name=" + song.name;
}

std::vector<CatalogueSong> MatchingSongs(const std::vector<CatalogueSong>& songs,
                                         const std::string& query) {
    std::vector<CatalogueSong> found;
    const std::string lowered = Lower(query);
    for (const CatalogueSong& song : songs) {
        if (song.title.find(query) != std::string::npos ||
            Lower(song.name).find(lowered) != std::string::npos) {
            found.push_back(song);
        }
    }
    return found;
}

std::string SearchPageHtml(const std::vector<CatalogueSong>& songs, const std::string& host,
                           const std::string& query) {
    const std::vector<CatalogueSong> found = MatchingSongs(songs, query);
    std::string body =
        "<form action=\"/sbz1.aspx\" method=\"get\"><b>伴奏搜索</b> "
        "<input id=\"q\" name=\"q\" value=\"" +
        HtmlEscape(query) +
        "\"> <button id=\"search\" type=\"submit\">搜索</button>"
        "<span class=\"links\"><a id=\"help\" href=\"/help\">帮助</a>"
        "<a id=\"member\" href=\"/\">会员</a><a id=\"reports\" href=\"/reports\">报告</a>"
        "</span></form>\n";
    if (found.empty()) {
        return HtmlPage(
            "伴奏搜索",
            body + "<p id=\"none\">没有找到与“" + HtmlEscape(query) + "”相关的伴奏。</p>\n",
            kStyle);
    }
    body +=
        "<table id=\"songs\">\n<tr><th>编号</th><th>歌名</th><th>格式</th><th>时长</th>"
        "<th>伴奏</th><th>歌词</th></tr>\n";
    for (const CatalogueSong& song : found) {
        const std::string id = std::to_string(song.id);
        const std::string lyricsUrl = "http://" + host + kSongFolderPath + song.lyricsFile;
        body += "<tr id=\"row-" + id + "\"><td>" + id + "</td><td>" + HtmlEscape(song.title) +
                "</td><td>" + Format(song) + "</td><td>" + Minutes(song.seconds) +
                "</td><td><a id=\"song-" + id + "\" href=\"" + HtmlEscape(MusicLink(host, song)) +
                "\">点唱</a></td><td><a id=\"lyrics-" + id + "\" href=\"" + HtmlEscape(lyricsUrl) +
                "\">LRC</a></td></tr>\n";
    }
    body +=
        "</table>\n<p class=\"note\">点“点唱”下载伴奏并导入，歌词随伴奏一起下载。</p>\n";
    return HtmlPage("伴奏搜索", body, kStyle);
}
