#include "site/InfoPages.h"

#include <set>

#include "site/HtmlText.h"
#include "site/SearchPage.h"

namespace {

constexpr const char* kStyle =
    "body{max-width:640px;padding:12px 16px}li{margin:3px 0}"
    "code{background:#fff;padding:0 3px}.nav a{margin-right:12px}";

constexpr const char* kNavigation =
    "<p class=\"nav\"><a href=\"/sbz1.aspx\">伴奏搜索</a><a href=\"/help\">帮助</a>"
    "<a href=\"/\">会员中心</a><a href=\"/reports\">退出报告</a></p>\n";

}  // namespace

std::string HelpPageHtml(const std::vector<CatalogueSong>& songs) {
    std::string lyricLinks;
    std::set<std::string> listed;
    for (const CatalogueSong& song : songs) {
        if (!listed.insert(song.lyricsFile).second) continue;
        const std::string path = kSongFolderPath + song.lyricsFile;
        lyricLinks += "<li><a href=\"" + HtmlEscape(path) + "\">" + HtmlEscape(song.lyricsFile) +
                      "</a>（" + HtmlEscape(song.title) + "）</li>\n";
    }
    const std::string body =
        std::string("<h1>Tavimo 录歌帮助</h1>\n") + kNavigation +
        "<p>这是 Quaviro 录歌网站在本机的替身站点：伴奏、歌词和页面都由它提供，"
        "不连外网。</p>\n"
        "<h2>录一首歌</h2>\n<ol>\n"
        "<li>选伴奏：在窗口上方的伴奏搜索页里点歌曲后面的“点唱”，伴奏下载后自动导入；"
        "或点“选取本地伴奏”，选一个 MP3 或 WMA 文件。</li>\n"
        "<li>按“开始录歌”，跟着伴奏对着麦克风唱；再按一次（“停止录歌”）结束。</li>\n"
        "<li>“试听”播放人声和伴奏的混音；满意就按“保存歌曲”，存成 MP3 文件。</li>\n"
        "<li>“上传歌曲”打开会员中心，在那里上传保存的 MP3。</li>\n"
        "</ol>\n"
        "<h2>歌词</h2>\n"
        "<p>伴奏旁边放一个同名的 LRC 歌词文件（UTF-8、UTF-16、GBK 或 Big5 编码），"
        "录歌和试听时就会显示歌词，唱到哪里，哪里变色。从网站点唱的伴奏，歌词随伴奏一起"
        "下载。本站的歌词文件：</p>\n<ul>\n" +
        lyricLinks +
        "</ul>\n"
        "<h2>退出报告</h2>\n"
        "<p>关闭程序时，它会把本机名、打开和关闭的时间以及最后一个伴奏的文件名发给网站。"
        "<a href=\"/reports\">退出报告</a>页列出本站收到的每一份报告，原样显示。</p>\n";
    return HtmlPage("Tavimo 录歌帮助", body, kStyle);
}

std::string MemberPageHtml() {
    const std::string body =
        std::string("<h1>会员中心</h1>\n") + kNavigation +
        "<p>在正式网站上，会员登录后在这里上传用 Tavimo 保存的 MP3 歌曲：填写歌名、"
        "选所用的伴奏、写一句介绍，上传后别的会员就能试听、评论和打分。</p>\n"
        "<p>这是本机的替身站点，<b>不能上传</b>，也不保存任何歌曲。保存的歌曲留在你"
        "选的文件夹里。</p>\n"
        "<p>本站只记录程序关闭时发来的<a href=\"/reports\">退出报告</a>。</p>\n";
    return HtmlPage("会员中心", body, kStyle);
}
