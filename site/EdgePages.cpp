#include "site/EdgePages.h"

#include <vector>

#include "site/HtmlText.h"
#include "site/SearchPage.h"

namespace {

constexpr const char* kStyle =
    ".edge{display:block;box-sizing:border-box;width:260px;height:22px;line-height:20px;"
    "margin:0 0 4px;padding:0 6px;background:#d5e8fb;border:1px solid #9bc0e6;"
    "text-decoration:none;color:#036;overflow:hidden;white-space:nowrap;cursor:pointer}"
    "iframe{width:300px;height:90px;border:1px solid #9bc0e6}";

struct EdgeLink {
    std::string id;
    std::string href;
    std::string label;
};

std::string LinksPage(const std::string& title, const std::vector<EdgeLink>& links) {
    std::string body = "<h1>" + HtmlEscape(title) + "</h1>\n";
    for (const EdgeLink& link : links) {
        body += "<a class=\"edge\" id=\"" + link.id + "\" href=\"" + HtmlEscape(link.href) + "\">" +
                HtmlEscape(link.label) + "</a>\n";
    }
    return HtmlPage(title, body, kStyle);
}

// A music: link to `fetchPath` on the site with the query `query`.
std::string Music(const EdgeContext& c, const std::string& scheme, const std::string& fetchPath,
                  const std::string& query) {
    return scheme + "://" + c.host + fetchPath + "?" + query;
}

std::string SongQuery(const EdgeContext& c, const std::string& rest) {
    return "id=" + std::to_string(c.song.id) + rest;
}

std::string Index() {
    static const std::vector<EdgeLink> pages = {
        {"page-names", "/edge/names.html", "name= outside the temp folder"},
        {"page-answers", "/edge/answers.html", "odd fetch answers"},
        {"page-schemes", "/edge/schemes.html", "MUSIC:, Music:, musicbox:, name="},
        {"page-script-load", "/edge/script-load.html", "script after load"},
        {"page-script-click", "/edge/script-click.html", "script after a click"},
        {"page-frame-dead", "/edge/frame-dead.html", "frame on a dead port"},
        {"page-frame-404", "/edge/frame-404.html", "frame on a 404 page"},
        {"page-links-fail", "/edge/links-fail.html", "links to failing pages"},
    };
    return LinksPage("edge pages", pages);
}

std::string Names(const EdgeContext& c) {
    const std::string fetch = kFetchPath;
    return LinksPage(
        "names",
        {
            {"dotdot", Music(c, "music", fetch, SongQuery(c, "&name=../x")), "name=../x"},
            {"absolute", Music(c, "music", fetch, SongQuery(c, "&name=/tmp/x")), "name=/tmp/x"},
            {"absolute-encoded", Music(c, "music", fetch, SongQuery(c, "&name=%2Ftmp%2Fx")),
             "name=%2Ftmp%2Fx"},
            {"dotdot-encoded", Music(c, "music", fetch, SongQuery(c, "&name=..%2Fx")),
             "name=..%2Fx"},
            {"subfolder", Music(c, "music", fetch, SongQuery(c, "&name=a/b")), "name=a/b"},
        });
}

std::string Answers(const EdgeContext& c) {
    auto link = [&](const std::string& kind) {
        return EdgeLink{kind + "-answer",
                        Music(c, "music", "/edge/fetch-" + kind + ".aspx", "name=" + kind),
                        "fetch answers " + kind};
    };
    return LinksPage(
        "answers", {link("empty"), link("blank"), link("padded"), link("query"), link("missing")});
}

std::string Schemes(const EdgeContext& c) {
    const std::string fetch = kFetchPath;
    return LinksPage(
        "schemes",
        {
            {"upper", Music(c, "MUSIC", fetch, SongQuery(c, "&name=upper")), "MUSIC:"},
            {"mixed", Music(c, "Music", fetch, SongQuery(c, "&name=mixed")), "Music:"},
            {"musicbox", Music(c, "musicbox", fetch, SongQuery(c, "&name=box")), "musicbox:"},
            {"no-name", Music(c, "music", fetch, SongQuery(c, "")), "no name="},
            {"filename-first",
             Music(c, "music", fetch, "filename=early&" + SongQuery(c, "&name=late")),
             "filename=early before name=late"},
        });
}

// A page whose script sets location.href to `target` when `trigger` fires.
std::string ScriptPage(const std::string& title, const std::string& body, const std::string& target,
                       const std::string& trigger) {
    const std::string script =
        "<script>\nconst target = \"" + target + "\";\n" + trigger + "\n</script>\n";
    return HtmlPage(title, "<h1>" + title + "</h1>\n" + body + script, kStyle);
}

std::string ScriptLoad(const EdgeContext& c) {
    return ScriptPage(
        "script after load", "<div class=\"edge\" id=\"status\">going to a music: link</div>\n",
        Music(c, "music", kFetchPath, SongQuery(c, "&name=scripted")),
        "window.addEventListener(\"load\", () => setTimeout(() => { location.href = target; }, "
        "0));");
}

std::string ScriptClick(const EdgeContext& c) {
    return ScriptPage(
        "script after a click", "<div class=\"edge\" id=\"press\">press here (not a link)</div>\n",
        Music(c, "music", kFetchPath, SongQuery(c, "&name=clicked")),
        "document.getElementById(\"press\").addEventListener(\"click\", () => { location.href = "
        "target; });");
}

std::string FramePage(const std::string& title, const std::string& source) {
    return HtmlPage(title,
                    "<h1>" + HtmlEscape(title) + "</h1>\n<iframe id=\"frame\" src=\"" +
                        HtmlEscape(source) + "\"></iframe>\n",
                    kStyle);
}

std::string DeadAddress(const EdgeContext& c) {
    return "http://127.0.0.1:" + std::to_string(c.deadPort) + "/";
}

std::string MissingAddress(const EdgeContext& c) {
    return "http://" + c.host + "/edge/missing.html";
}

}  // namespace

std::optional<std::string> EdgePageHtml(const std::string& path, const EdgeContext& c) {
    if (path == "/edge/" || path == "/edge/index.html") return Index();
    if (path == "/edge/names.html") return Names(c);
    if (path == "/edge/answers.html") return Answers(c);
    if (path == "/edge/schemes.html") return Schemes(c);
    if (path == "/edge/script-load.html") return ScriptLoad(c);
    if (path == "/edge/script-click.html") return ScriptClick(c);
    if (path == "/edge/frame-dead.html") return FramePage("frame on a dead port", DeadAddress(c));
    if (path == "/edge/frame-404.html") return FramePage("frame on a 404 page", MissingAddress(c));
    if (path == "/edge/links-fail.html") {
        return LinksPage("links to failing pages",
                         {
                             {"dead-link", DeadAddress(c), "page on a dead port"},
                             {"missing-link", MissingAddress(c), "page that is 404"},
                         });
    }
    return std::nullopt;
}

std::optional<std::string> EdgeFetchAnswer(const std::string& path, const EdgeContext& c) {
    const std::string songAddress = "http://" + c.host + kSongFolderPath + c.song.file;
    if (path == "/edge/fetch-empty.aspx") return std::string();
    if (path == "/edge/fetch-blank.aspx") return std::string(" \t \r\n  \r\n");
    if (path == "/edge/fetch-padded.aspx") return " \t" + songAddress + " \r\n";
    if (path == "/edge/fetch-query.aspx") return songAddress + "?id=1";
    if (path == "/edge/fetch-missing.aspx") {
        return "http://" + c.host + kSongFolderPath + "missing.mp3";
    }
    return std::nullopt;
}
