// Exit reports sent to the stand-in site the way the program sends them,
// and the pages that list them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <regex>

#include "tests/site/SiteProcess.h"

namespace {

std::string Base64(const std::string& bytes) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        unsigned group = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[group >> 18 & 63];
        out += kAlphabet[group >> 12 & 63];
        out += i + 1 < bytes.size() ? kAlphabet[group >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? kAlphabet[group & 63] : '=';
    }
    return out;
}

std::string Report(const std::string& host, const std::string& music) {
    return "hostname=" + host + "\r\nopentime=2009-05-12 08:03:07\r\nclosetime=2009-05-12 " +
           "08:15:42\r\nmusic=" + music + "\r\n";
}

// Records of /reports.txt or of the reports file, split at their empty lines.
std::vector<std::string> Records(const std::string& text) {
    std::vector<std::string> records;
    size_t start = 0;
    for (size_t end; (end = text.find("\n\n", start)) != std::string::npos; start = end + 2) {
        records.push_back(text.substr(start, end - start + 1));
    }
    return records;
}

std::string Field(const std::string& record, const std::string& key) {
    std::smatch m;
    if (!std::regex_search(record, m, std::regex("(^|\n)" + key + "=([^\n]*)\n"))) return "-";
    return m[2];
}

class Reports : public ::testing::Test {
protected:
    SiteProcess site;

    void SetUp() override { ASSERT_TRUE(site.started()); }

    // Sends a report as the program does: the Base64 text appended unescaped.
    httplib::Result send(const std::string& query) {
        return site.client().Get(("/login.aspx" + query).c_str());
    }
    std::string reportsText() {
        auto text = site.client().Get("/reports.txt");
        return text ? text->body : std::string();
    }
    std::string reportsPage() {
        auto page = site.client().Get("/reports");
        return page ? page->body : std::string();
    }
};

TEST_F(Reports, AReportAsTheProgramSendsItIsListedDecodedWithItsLineBreaks) {
    const std::string report = Report("ktv-room-7", "小星星.mp3");
    const std::string param = Base64(report);
    ASSERT_NE(param.find('+'), std::string::npos);
    auto answer = send("?param=" + param);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    EXPECT_EQ(answer->body, "decoded\n");

    const std::vector<std::string> records = Records(reportsText());
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(Field(records[0], "number"), "1");
    EXPECT_EQ(Field(records[0], "status"), "decoded");
    EXPECT_EQ(Field(records[0], "param"), param);
    EXPECT_EQ(Field(records[0], "text"),
              "hostname=ktv-room-7\\r\\nopentime=2009-05-12 08:03:07\\r\\nclosetime=2009-05-12 "
              "08:15:42\\r\\nmusic=小星星.mp3\\r\\n");
    EXPECT_TRUE(std::regex_match(Field(records[0], "received"),
                                 std::regex("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d")));

    const std::string page = reportsPage();
    const std::string crlf = "<span class=\"esc\">\\r</span><span class=\"esc\">\\n</span>\n";
    EXPECT_NE(page.find("<pre id=\"text-1\">hostname=ktv-room-7" + crlf +
                        "opentime=2009-05-12 08:03:07" + crlf + "closetime=2009-05-12 08:15:42" +
                        crlf + "music=小星星.mp3" + crlf + "</pre>"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find(Field(records[0], "received")), std::string::npos);
}

TEST_F(Reports, PlusSlashAndPaddingArriveUnescapedAndBytesOutsideUtf8AreShownEscaped) {
    // The accompaniment's name in GBK (晨风.mp3), as a program on a GBK system sends it.
    const std::string report = Report("ktv-room-7", "\xB3\xBF\xB7\xE7.mp3");
    const std::string param = Base64(report);
    ASSERT_NE(param.find('+'), std::string::npos);
    ASSERT_NE(param.find('/'), std::string::npos);
    ASSERT_TRUE(param.ends_with("="));
    auto answer = send("?param=" + param);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);

    const std::vector<std::string> records = Records(reportsText());
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(Field(records[0], "param"), param);
    EXPECT_TRUE(Field(records[0], "text").ends_with("music=\\xB3\\xBF\\xB7\\xE7.mp3\\r\\n"));
    EXPECT_NE(reportsPage().find("music=<span class=\"esc\">\\xB3</span><span class=\"esc\">\\xBF"
                                 "</span><span class=\"esc\">\\xB7</span><span class=\"esc\">\\xE7"
                                 "</span>.mp3"),
              std::string::npos);

    // The same report escaped by a careful sender reads the same.
    std::string escaped = std::regex_replace(param, std::regex("\\+"), "%2B");
    escaped = std::regex_replace(escaped, std::regex("/"), "%2F");
    escaped = std::regex_replace(escaped, std::regex("="), "%3D");
    ASSERT_TRUE(send("?param=" + escaped));
    EXPECT_EQ(Field(Records(reportsText())[0], "text"), Field(records[0], "text"));
}

TEST_F(Reports, ReportsThatDoNotDecodeAreListedAsSuchWithTheirRawParameter) {
    struct Case {
        std::string query;
        std::string status;
        std::string param;  // "-" for none
    };
    const std::vector<Case> cases = {
        {"?param=aGVsbG8", "not-base64", "aGVsbG8"},        // length not a multiple of 4
        {"?param=aG=sbG8=", "not-base64", "aG=sbG8="},      // "=" inside
        {"?param=aGVsbG8===", "not-base64", "aGVsbG8==="},  // three "="
        {"?param=a-b_aGVs", "not-base64", "a-b_aGVs"},      // URL-safe alphabet
        {"?param=aGVs%20bG8", "not-base64", "aGVs%20bG8"},  // an escaped blank
        {"?param=%%%%", "not-base64", "%%%%"},
        {"?param=\xE6\x98\x9F\xFF", "not-base64", "\\xFF"},  // raw bytes, one not UTF-8
        {"?x=1&other=2", "no-param", "-"},
        {"", "no-param", "-"},
    };
    for (const Case& c : cases) {
        auto answer = send(c.query);
        ASSERT_TRUE(answer) << c.query;
        EXPECT_EQ(answer->status, 400) << c.query;
    }
    // An empty param is Base64 of nothing: a report without text.
    auto empty = send("?param=");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->status, 200);

    const std::vector<std::string> records = Records(reportsText());
    ASSERT_EQ(records.size(), cases.size() + 1);
    EXPECT_EQ(Field(records[0], "status"), "decoded");
    EXPECT_EQ(Field(records[0], "text"), "");
    for (size_t i = 0; i < cases.size(); ++i) {
        const std::string& record = records[cases.size() - i];  // newest first
        EXPECT_EQ(Field(record, "number"), std::to_string(i + 1));
        EXPECT_EQ(Field(record, "status"), cases[i].status) << cases[i].query;
        if (cases[i].param.starts_with("\\")) {
            EXPECT_TRUE(Field(record, "param").ends_with(cases[i].param)) << record;
        } else {
            EXPECT_EQ(Field(record, "param"), cases[i].param) << cases[i].query;
        }
        EXPECT_EQ(Field(record, "text"), "-") << cases[i].query;
    }
    const std::string page = reportsPage();
    EXPECT_NE(page.find("id=\"report-1\" data-status=\"not-base64\""), std::string::npos);
    EXPECT_NE(page.find("<div class=\"param\" id=\"param-1\">param=aGVsbG8</div>"),
              std::string::npos);
    EXPECT_NE(page.find("id=\"report-8\" data-status=\"no-param\""), std::string::npos);
    EXPECT_NE(page.find("id=\"param-8\">请求参数：x=1&amp;other=2</div>"), std::string::npos);
    EXPECT_EQ(page.find("<pre id=\"text-1\">"), std::string::npos);
}

TEST_F(Reports, ThePageListsNewestFirstWithControlBytesAndBackslashesVisible) {
    EXPECT_NE(reportsPage().find("id=\"no-reports\""), std::string::npos);
    for (const std::string host : {"first", "second\tpc\\1", "third"}) {
        ASSERT_TRUE(send("?param=" + Base64(Report(host, ""))));
    }
    const std::string page = reportsPage();
    const size_t third = page.find("id=\"report-3\"");
    const size_t second = page.find("id=\"report-2\"");
    const size_t first = page.find("id=\"report-1\"");
    ASSERT_NE(first, std::string::npos);
    EXPECT_LT(third, second);
    EXPECT_LT(second, first);
    EXPECT_EQ(page.find("id=\"no-reports\""), std::string::npos);
    EXPECT_NE(page.find("hostname=second<span class=\"esc\">\\t</span>pc\\1<span"),
              std::string::npos);
    const std::vector<std::string> records = Records(reportsText());
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(Field(records[0], "number"), "3");
    EXPECT_TRUE(Field(records[1], "text").starts_with("hostname=second\\tpc\\\\1\\r\\n"));
}

TEST(ReportsFile, ReportsAreAppendedAndListedAgainAfterARestart) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tavimo-site-test-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string file = (folder / "reports.txt").string();
    const std::string param = Base64(Report("box", "a.mp3"));
    {
        SiteProcess site({"--reports", file});
        ASSERT_TRUE(site.started());
        ASSERT_TRUE(site.client().Get(("/login.aspx?param=" + param).c_str()));
        ASSERT_TRUE(site.client().Get("/login.aspx?param=not!"));
        const std::vector<std::string> written = Records(FileBytes(file));
        ASSERT_EQ(written.size(), 2u);
        EXPECT_EQ(Field(written[0], "param"), param);
        EXPECT_EQ(Field(written[1], "status"), "not-base64");
    }
    {
        SiteProcess site({"--reports", file});
        ASSERT_TRUE(site.started());
        ASSERT_TRUE(site.client().Get(("/login.aspx?param=" + Base64("later")).c_str()));
        auto text = site.client().Get("/reports.txt");
        ASSERT_TRUE(text);
        const std::vector<std::string> listed = Records(text->body);
        ASSERT_EQ(listed.size(), 3u);
        EXPECT_EQ(Field(listed[0], "text"), "later");
        EXPECT_EQ(Field(listed[1], "param"), "not!");
        EXPECT_EQ(Field(listed[1], "status"), "not-base64");
        EXPECT_EQ(Field(listed[2], "text"),
                  "hostname=box\\r\\nopentime=2009-05-12 08:03:07\\r\\n"
                  "closetime=2009-05-12 08:15:42\\r\\nmusic=a.mp3\\r\\n");
        EXPECT_EQ(Records(FileBytes(file)).size(), 3u);
    }
    std::filesystem::remove_all(folder);
}

TEST(ReportsFile, AFileThatCannotBeWrittenLosesNoReport) {
    SiteProcess site({"--reports", "/proc/tavimo-site-reports"});
    ASSERT_TRUE(site.started());
    ASSERT_TRUE(site.client().Get(("/login.aspx?param=" + Base64("kept")).c_str()));
    auto text = site.client().Get("/reports.txt");
    ASSERT_TRUE(text);
    EXPECT_NE(text->body.find("text=kept\n"), std::string::npos);
}

}  // namespace
