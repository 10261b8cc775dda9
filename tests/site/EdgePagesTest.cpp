// The test pages under /edge/, served only with --edge-pages, for the
// program's own tests of its site pane.
#include <gtest/gtest.h>

#include <regex>

#include "tests/site/SiteProcess.h"

namespace {

struct EdgePage {
    std::string path;
    std::vector<std::string> ids;  // elements a test finds on the page
};

const std::vector<EdgePage> kPages = {
    {"/edge/",
     {"page-names", "page-answers", "page-schemes", "page-script-load", "page-script-click",
      "page-frame-dead", "page-frame-404", "page-links-fail"}},
    {"/edge/names.html", {"dotdot", "absolute", "absolute-encoded", "dotdot-encoded", "subfolder"}},
    {"/edge/answers.html",
     {"empty-answer", "blank-answer", "padded-answer", "query-answer", "missing-answer"}},
    {"/edge/schemes.html", {"upper", "mixed", "musicbox", "no-name", "filename-first"}},
    {"/edge/script-load.html", {"status"}},
    {"/edge/script-click.html", {"press"}},
    {"/edge/frame-dead.html", {"frame"}},
    {"/edge/frame-404.html", {"frame"}},
    {"/edge/links-fail.html", {"dead-link", "missing-link"}},
};

const std::vector<std::string> kFetches = {"/edge/fetch-empty.aspx", "/edge/fetch-blank.aspx",
                                           "/edge/fetch-padded.aspx", "/edge/fetch-query.aspx",
                                           "/edge/fetch-missing.aspx"};

std::string Attribute(const std::string& page, const std::string& id, const std::string& name) {
    std::smatch m;
    if (!std::regex_search(page, m, std::regex("id=\"" + id + "\" " + name + "=\"([^\"]*)\""))) {
        return {};
    }
    return std::regex_replace(m[1].str(), std::regex("&amp;"), "&");
}

// The site-relative target of an address on `host` ("music://HOST/x" gives "/x").
std::string Target(const std::string& address, const std::string& host) {
    const size_t at = address.find("://" + host);
    return at == std::string::npos ? std::string() : address.substr(at + 3 + host.size());
}

TEST(EdgePages, AreNotServedWithoutTheOption) {
    SiteProcess site;
    ASSERT_TRUE(site.started());
    std::vector<std::string> paths = kFetches;
    for (const EdgePage& page : kPages) paths.push_back(page.path);
    for (const std::string& path : paths) {
        auto answer = site.client().Get(path.c_str());
        ASSERT_TRUE(answer) << path;
        EXPECT_EQ(answer->status, 404) << path;
    }
}

class Edge : public ::testing::Test {
protected:
    SiteProcess site{{"--edge-pages"}};

    void SetUp() override { ASSERT_TRUE(site.started()); }

    std::string page(const std::string& path) {
        auto answer = site.client().Get(path.c_str());
        EXPECT_TRUE(answer && answer->status == 200) << path;
        return answer ? answer->body : std::string();
    }
    httplib::Result get(const std::string& target) { return site.client().Get(target.c_str()); }
    std::string songAddress() { return "http://" + site.host() + "/music/xiaoxingxing.mp3"; }
};

TEST_F(Edge, EveryPageHasItsElements) {
    for (const EdgePage& edge : kPages) {
        const std::string html = page(edge.path);
        for (const std::string& id : edge.ids) {
            EXPECT_NE(html.find("id=\"" + id + "\""), std::string::npos) << edge.path << " " << id;
        }
    }
}

TEST_F(Edge, NamesPointingOutsideTheTempFolderComeWithRealDownloads) {
    const std::string html = page("/edge/names.html");
    const std::vector<std::pair<std::string, std::string>> names = {
        {"dotdot", "../x"},           {"absolute", "/tmp/x"}, {"absolute-encoded", "%2Ftmp%2Fx"},
        {"dotdot-encoded", "..%2Fx"}, {"subfolder", "a/b"},
    };
    for (const auto& [id, name] : names) {
        const std::string link = Attribute(html, id, "href");
        EXPECT_EQ(link, "music://" + site.host() + "/getmusic.aspx?id=1&name=" + name);
        auto answer = get(Target(link, site.host()));
        ASSERT_TRUE(answer) << id;
        EXPECT_EQ(answer->body, songAddress()) << id;
    }
}

TEST_F(Edge, FetchAnswersAreEmptyBlankPaddedWithAQueryOrMissing) {
    const std::string html = page("/edge/answers.html");
    std::map<std::string, std::string> answers;
    for (const std::string kind : {"empty", "blank", "padded", "query", "missing"}) {
        const std::string link = Attribute(html, kind + "-answer", "href");
        ASSERT_TRUE(link.starts_with("music://" + site.host() + "/edge/fetch-" + kind + ".aspx?"))
            << link;
        EXPECT_NE(link.find("name=" + kind), std::string::npos);
        auto answer = get(Target(link, site.host()));
        ASSERT_TRUE(answer) << kind;
        EXPECT_EQ(answer->status, 200) << kind;
        answers[kind] = answer->body;
    }
    EXPECT_EQ(answers["empty"], "");
    EXPECT_FALSE(answers["blank"].empty());
    EXPECT_EQ(answers["blank"].find_first_not_of(" \t\r\n"), std::string::npos);
    EXPECT_NE(answers["padded"], songAddress());
    const size_t first = answers["padded"].find_first_not_of(" \t\r\n");
    const size_t last = answers["padded"].find_last_not_of(" \t\r\n");
    EXPECT_EQ(answers["padded"].substr(first, last - first + 1), songAddress());
    EXPECT_EQ(answers["query"], songAddress() + "?id=1");
    auto download = get(Target(answers["query"], site.host()));
    ASSERT_TRUE(download);
    EXPECT_EQ(download->status, 200);
    EXPECT_EQ(download->get_header_value("Content-Type"), "audio/mpeg");
    auto missing = get(Target(answers["missing"], site.host()));
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 404);
}

TEST_F(Edge, SchemesAndNamesOfTheLinks) {
    const std::string html = page("/edge/schemes.html");
    const std::string fetch = site.host() + "/getmusic.aspx?";
    EXPECT_EQ(Attribute(html, "upper", "href"), "MUSIC://" + fetch + "id=1&name=upper");
    EXPECT_EQ(Attribute(html, "mixed", "href"), "Music://" + fetch + "id=1&name=mixed");
    EXPECT_EQ(Attribute(html, "musicbox", "href"), "musicbox://" + fetch + "id=1&name=box");
    EXPECT_EQ(Attribute(html, "no-name", "href"), "music://" + fetch + "id=1");
    EXPECT_EQ(Attribute(html, "filename-first", "href"),
              "music://" + fetch + "filename=early&id=1&name=late");
}

TEST_F(Edge, ScriptsGoToMusicLinksAfterLoadAndAfterAClick) {
    const std::string load = page("/edge/script-load.html");
    EXPECT_NE(load.find("const target = \"music://" + site.host() +
                        "/getmusic.aspx?id=1&name=scripted\""),
              std::string::npos);
    EXPECT_NE(load.find("addEventListener(\"load\""), std::string::npos);
    const std::string click = page("/edge/script-click.html");
    EXPECT_NE(click.find("<div class=\"edge\" id=\"press\">"), std::string::npos);
    EXPECT_NE(click.find("name=clicked\""), std::string::npos);
    EXPECT_NE(click.find("getElementById(\"press\").addEventListener(\"click\""),
              std::string::npos);
}

TEST_F(Edge, FramesAndLinksToPagesThatFail) {
    const std::string dead = Attribute(page("/edge/frame-dead.html"), "frame", "src");
    const std::string links = page("/edge/links-fail.html");
    EXPECT_EQ(Attribute(links, "dead-link", "href"), dead);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(dead, m, std::regex("http://127\\.0\\.0\\.1:(\\d+)/")));
    httplib::Client refused("127.0.0.1", std::stoi(m[1]));
    refused.set_connection_timeout(5);
    auto answer = refused.Get("/");
    EXPECT_FALSE(answer);
    EXPECT_EQ(answer.error(), httplib::Error::Connection);

    const std::string missing = "http://" + site.host() + "/edge/missing.html";
    EXPECT_EQ(Attribute(page("/edge/frame-404.html"), "frame", "src"), missing);
    EXPECT_EQ(Attribute(links, "missing-link", "href"), missing);
    auto notFound = get("/edge/missing.html");
    ASSERT_TRUE(notFound);
    EXPECT_EQ(notFound->status, 404);
    EXPECT_EQ(notFound->body, "");
}

}  // namespace
