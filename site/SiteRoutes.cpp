#include "site/SiteRoutes.h"

#include <httplib.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>

#include "site/EdgePages.h"
#include "site/HtmlText.h"
#include "site/InfoPages.h"
#include "site/ReportText.h"
#include "site/ReportsPage.h"
#include "site/SearchPage.h"

namespace {

constexpr const char* kHtml = "text/html; charset=utf-8";
constexpr const char* kText = "text/plain; charset=utf-8";

std::string HostOf(const httplib::Request& request) {
    return PageHost(request.get_header_value("Host"), request.local_port);
}

const CatalogueSong* SongWithId(const std::vector<CatalogueSong>& songs, const std::string& id) {
    for (const CatalogueSong& song : songs) {
        if (std::to_string(song.id) == id) return &song;
    }
    return nullptr;
}

// A file the site serves from the songs folder, with its content type.
struct ServedFile {
    std::string name;
    std::string contentType;
};

std::optional<ServedFile> FileToServe(const std::vector<CatalogueSong>& songs,
                                      const std::string& name) {
    for (const CatalogueSong& song : songs) {
        if (song.lyricsFile == name) {
            return ServedFile{name, "text/plain; charset=" + song.lyricsCharset};
        }
        if (song.file == name) {
            const bool wma = name.size() > 4 && name.compare(name.size() - 4, 4, ".wma") == 0;
            return ServedFile{name, wma ? "audio/x-ms-wma" : "audio/mpeg"};
        }
    }
    return std::nullopt;
}

std::optional<std::string> ReadWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string RawQuery(const httplib::Request& request) {
    const size_t mark = request.target.find('?');
    return mark == std::string::npos ? std::string() : request.target.substr(mark + 1);
}

void NoStore(httplib::Response& response) { response.set_header("Cache-Control", "no-store"); }

// The server matches paths as regular expressions: "/sbz1.aspx" must not
// also answer "/sbz1xaspx".
std::string Exactly(const std::string& path) {
    std::string pattern;
    for (const char c : path) {
        if (c == '.') pattern += '\\';
        pattern += c;
    }
    return pattern;
}

}  // namespace

void AddSiteRoutes(httplib::Server& server, const SiteContent& content) {
    server.Get(
        Exactly("/sbz1.aspx"), [&](const httplib::Request& request, httplib::Response& response) {
            const std::string query = request.get_param_value("q");
            response.set_content(SearchPageHtml(content.songs, HostOf(request), query), kHtml);
        });

    // The fetch address of the music: links: answers the download address only.
    server.Get(
        Exactly(kFetchPath), [&](const httplib::Request& request, httplib::Response& response) {
            const CatalogueSong* song = SongWithId(content.songs, request.get_param_value("id"));
            if (song == nullptr) {
                response.status = 404;
                return;
            }
            response.set_content("http://" + HostOf(request) + kSongFolderPath + song->file, kText);
        });

    server.Get(
        R"(/music/([^/]+))", [&](const httplib::Request& request, httplib::Response& response) {
            const std::optional<ServedFile> file = FileToServe(content.songs, request.matches[1]);
            std::optional<std::string> bytes;
            if (file) bytes = ReadWhole(content.songFolder / file->name);
            if (!bytes) {
                response.status = 404;
                return;
            }
            response.set_content(std::move(*bytes), file->contentType);
        });

    server.Get("/help", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content(HelpPageHtml(content.songs), kHtml);
    });
    server.Get("/", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(MemberPageHtml(), kHtml);
    });
    server.Get("/update", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(kUpdateAnswer, kText);
    });

    // The exit report: kept whatever it holds; the program ignores the answer.
    server.Get(Exactly("/login.aspx"),
               [&](const httplib::Request& request, httplib::Response& response) {
                   std::string fileError;
                   const ReceivedReport report =
                       content.reports->add(RawQuery(request), LocalTimeText(), fileError);
                   if (!fileError.empty())
                       std::fprintf(stderr, "tavimo-site: %s\n", fileError.c_str());
                   const ReportStatus status = ReadReport(report.rawQuery).status;
                   if (status != ReportStatus::kDecoded) response.status = 400;
                   response.set_content(std::string(StatusName(status)) + "\n", kText);
               });
    server.Get("/reports", [&](const httplib::Request&, httplib::Response& response) {
        NoStore(response);
        response.set_content(ReportsPageHtml(content.reports->newestFirst()), kHtml);
    });
    server.Get(Exactly("/reports.txt"), [&](const httplib::Request&, httplib::Response& response) {
        NoStore(response);
        std::string records;
        for (const ReceivedReport& report : content.reports->newestFirst()) {
            records += ReportRecord(report);
        }
        response.set_content(records, kText);
    });

    if (!content.edgePages) return;
    server.Get(R"(/edge/.*)", [&](const httplib::Request& request, httplib::Response& response) {
        const EdgeContext edge{HostOf(request), content.deadPort, content.songs.front()};
        if (std::optional<std::string> page = EdgePageHtml(request.path, edge)) {
            response.set_content(*page, kHtml);
        } else if (std::optional<std::string> answer = EdgeFetchAnswer(request.path, edge)) {
            response.set_content(*answer, kText);
        } else {
            response.status = 404;
        }
    });
}
