// The stand-in site's pages and files over HTTP, as the program and a
// browser reach them.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "site/catalogue/SongCatalogue.h"
#include "tests/site/SiteProcess.h"

namespace {

// The href of the element with `id` on `page`, with "&amp;" read back as "&".
std::string Href(const std::string& page, const std::string& id) {
    std::smatch m;
    if (!std::regex_search(page, m, std::regex("id=\"" + id + "\" href=\"([^\"]*)\""))) return {};
    return std::regex_replace(m[1].str(), std::regex("&amp;"), "&");
}

// The ids of all "music:" links on a page, in order.
std::vector<std::string> SongLinkIds(const std::string& page) {
    std::vector<std::string> ids;
    const std::regex link("id=\"(song-[0-9]+)\"");
    for (auto it = std::sregex_iterator(page.begin(), page.end(), link);
         it != std::sregex_iterator(); ++it) {
        ids.push_back((*it)[1]);
    }
    return ids;
}

class SitePages : public ::testing::Test {
protected:
    SiteProcess site;
    std::vector<CatalogueSong> songs = BuiltSongs();

    void SetUp() override {
        ASSERT_TRUE(site.started());
        ASSERT_FALSE(songs.empty());
    }

    httplib::Result get(const std::string& target, const httplib::Headers& headers = {}) {
        return site.client().Get(target.c_str(), headers);
    }
};

TEST_F(SitePages, SearchPageGivesEverySongAMusicLinkWithItsNameAndALyricsLink) {
    auto page = get("/sbz1.aspx");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_NE(page->body.find("<meta charset=\"utf-8\">"), std::string::npos);
    EXPECT_EQ(SongLinkIds(page->body).size(), songs.size());
    for (const CatalogueSong& song : songs) {
        const std::string id = std::to_string(song.id);
        EXPECT_NE(page->body.find(song.title), std::string::npos) << song.title;
        EXPECT_EQ(Href(page->body, "song-" + id),
                  "music://" + site.host() + "/getmusic.aspx?id=" + id + "&name=" + song.name);
        EXPECT_EQ(Href(page->body, "lyrics-" + id),
                  "http://" + site.host() + "/music/" + song.name + ".lrc");
    }
}

TEST_F(SitePages, SearchFiltersByTitleOrName) {
    struct Case {
        std::string query;  // as sent, percent-escaped
        std::vector<std::string> ids;
    };
    const std::vector<Case> cases = {
        {"%E6%98%9F", {"song-1"}},                     // 星
        {"%E6%99%A8%E9%A3%8E", {"song-3", "song-5"}},  // 晨风, MP3 and WMA
        {"WMA", {"song-5", "song-6"}},
        {"XIAO", {"song-1"}},  // name, any case
        {"", {"song-1", "song-2", "song-3", "song-4", "song-5", "song-6"}},
        {"nothing", {}},
    };
    for (const Case& c : cases) {
        auto page = get("/sbz1.aspx?q=" + c.query);
        ASSERT_TRUE(page);
        EXPECT_EQ(page->status, 200);
        EXPECT_EQ(SongLinkIds(page->body), c.ids) << c.query;
        EXPECT_EQ(page->body.find("id=\"none\"") != std::string::npos, c.ids.empty()) << c.query;
    }
    auto page = get("/sbz1.aspx?q=%3Cb%3E%22x");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->body.find("<b>\""), std::string::npos);
    EXPECT_NE(page->body.find("value=\"&lt;b&gt;&quot;x\""), std::string::npos);
}

TEST_F(SitePages, LinksNameTheHostTheRequestWasSentTo) {
    auto page = get("/sbz1.aspx", {{"Host", "karaoke.test:8080"}});
    ASSERT_TRUE(page);
    EXPECT_EQ(Href(page->body, "song-2"),
              "music://karaoke.test:8080/getmusic.aspx?id=2&name=" + songs[1].name);
    auto answer = get("/getmusic.aspx?id=2", {{"Host", "karaoke.test:8080"}});
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->body, "http://karaoke.test:8080/music/" + songs[1].file);

    // A Host header that could break out of an attribute is not used.
    page = get("/sbz1.aspx", {{"Host", "x\"><script>y"}});
    ASSERT_TRUE(page);
    EXPECT_EQ(page->body.find("<script>"), std::string::npos);
    EXPECT_EQ(Href(page->body, "song-1"),
              "music://" + site.host() + "/getmusic.aspx?id=1&name=" + songs[0].name);
}

TEST_F(SitePages, FetchOfEachMusicLinkAnswersOnlyADownloadAddressThatDownloadsTheSong) {
    auto page = get("/sbz1.aspx");
    ASSERT_TRUE(page);
    for (const CatalogueSong& song : songs) {
        const std::string link = Href(page->body, "song-" + std::to_string(song.id));
        ASSERT_EQ(link.rfind("music://" + site.host(), 0), 0u) << link;
        // The program's fetch: "http" in place of "music".
        const std::string fetchTarget =
            link.substr(std::string("music://").size() + site.host().size());
        auto answer = get(fetchTarget);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, 200);
        EXPECT_EQ(answer->get_header_value("Content-Type"), "text/plain; charset=utf-8");
        const std::string address = "http://" + site.host() + "/music/" + song.file;
        EXPECT_EQ(answer->body, address);

        auto download = get(address.substr(address.find("/music/")));
        ASSERT_TRUE(download);
        EXPECT_EQ(download->status, 200);
        EXPECT_EQ(download->get_header_value("Content-Type"),
                  song.file.ends_with(".wma") ? "audio/x-ms-wma" : "audio/mpeg");
        EXPECT_TRUE(download->body == FileBytes(kSongFolder + "/" + song.file)) << song.file;
    }
    for (const std::string target :
         {"/getmusic.aspx?id=99&name=x", "/getmusic.aspx?name=x", "/getmusic.aspx?id=1x"}) {
        auto answer = get(target);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, 404) << target;
        EXPECT_EQ(answer->body, "") << target;
    }
}

TEST_F(SitePages, LyricsAreServedInTheirOwnCharset) {
    for (const CatalogueSong& song : songs) {
        auto lyrics = get("/music/" + song.lyricsFile);
        ASSERT_TRUE(lyrics);
        EXPECT_EQ(lyrics->status, 200);
        EXPECT_EQ(lyrics->get_header_value("Content-Type"),
                  "text/plain; charset=" + song.lyricsCharset);
        EXPECT_TRUE(lyrics->body == FileBytes(kSongFolder + "/" + song.lyricsFile));
    }
}

TEST_F(SitePages, HelpMemberAndUpdatePages) {
    auto help = get("/help");
    ASSERT_TRUE(help);
    EXPECT_EQ(help->status, 200);
    EXPECT_EQ(help->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_NE(help->body.find("录歌帮助"), std::string::npos);
    for (const CatalogueSong& song : songs) {
        EXPECT_NE(help->body.find("href=\"/music/" + song.lyricsFile + "\""), std::string::npos);
    }
    EXPECT_NE(help->body.find("href=\"/reports\""), std::string::npos);

    auto member = get("/");
    ASSERT_TRUE(member);
    EXPECT_EQ(member->status, 200);
    EXPECT_NE(member->body.find("会员中心"), std::string::npos);
    EXPECT_NE(member->body.find("上传"), std::string::npos);

    auto update = get("/update");
    ASSERT_TRUE(update);
    EXPECT_EQ(update->status, 200);
    EXPECT_EQ(update->get_header_value("Content-Type"), "text/plain; charset=utf-8");
    EXPECT_EQ(update->body, "no update\n");
}

TEST_F(SitePages, EverythingElseIsNotFound) {
    for (const std::string target :
         {"/nothing", "/sbz1", "/sbz1xaspx", "/getmusicxaspx?id=1", "/reportsxtxt",
          "/music/songs.tsv", "/music/..%2Fsongs.tsv", "/music/", "/music/missing.mp3",
          "/songs/xiaoxingxing.mp3", "/tavimo-site", "/edge/", "/edge/names.html", "/help/x",
          "/reports/1"}) {
        auto answer = get(target);
        ASSERT_TRUE(answer) << target;
        EXPECT_EQ(answer->status, 404) << target;
    }
}

// The listening socket in the kernel's table: local address 127.0.0.1 only.
TEST_F(SitePages, ListensOnLoopbackOnly) {
    std::ifstream table("/proc/net/tcp");
    char portHex[8];
    std::snprintf(portHex, sizeof portHex, "%04X", site.port());
    std::vector<std::string> listening;
    for (std::string line; std::getline(table, line);) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (state == "0A" && local.ends_with(std::string(":") + portHex))
            listening.push_back(local);
    }
    EXPECT_EQ(listening, std::vector<std::string>{std::string("0100007F:") + portHex});
    std::ifstream table6("/proc/net/tcp6");
    const std::string all6((std::istreambuf_iterator<char>(table6)), {});
    EXPECT_EQ(all6.find(std::string(":") + portHex + " 00000000000000000000000000000000:0000 0A"),
              std::string::npos);
}

TEST(SiteProgram, RefusesAPortThatIsTakenAndBadOptions) {
    SiteProcess first;
    ASSERT_TRUE(first.started());
    ProgramResult second = RunToEnd(kSiteProgram, {"--port", std::to_string(first.port())});
    ASSERT_TRUE(second.finished);
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_NE(second.output.find("cannot listen on 127.0.0.1:" + std::to_string(first.port())),
              std::string::npos)
        << second.output;

    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--port", "65536"},
                                                {"--port"},
                                                {"--port", "-1"},
                                                {"--colour"},
                                                {"--edge-pages=yes"},
                                                {"--reports"}}) {
        ProgramResult run = RunToEnd(kSiteProgram, bad);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 2) << bad[0];
        EXPECT_NE(run.output.find("usage: tavimo-site"), std::string::npos);
    }
    ProgramResult empty = RunToEnd(kSiteProgram, {"--port", "0", "--data", "/nonexistent"});
    ASSERT_TRUE(empty.finished);
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_NE(empty.output.find("/nonexistent/songs.tsv"), std::string::npos) << empty.output;
}

TEST(SiteProgram, StopsCleanlyOnSigterm) {
    SiteProcess site;
    ASSERT_TRUE(site.started());
    // An open keep-alive connection must not hold the stop up.
    httplib::Client client = site.client();
    client.set_keep_alive(true);
    ASSERT_TRUE(client.Get("/sbz1.aspx"));
    EXPECT_EQ(site.stop(), std::optional<int>(0));
}

TEST(SiteProgram, ServesItsDataFolderWhenGivenOne) {
    SiteProcess site({"--data", kSongFolder});
    ASSERT_TRUE(site.started());
    auto answer = site.client().Get("/getmusic.aspx?id=1&name=x");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
}

}  // namespace
