#pragma once
// Binds the site's addresses to an HTTP server. Handlers run on the
// server's worker threads; they only read `SiteContent`, except for the
// report book, which guards itself.

#include <filesystem>
#include <vector>

#include "site/ReportBook.h"
#include "site/catalogue/SongCatalogue.h"

namespace httplib {
class Server;
}

struct SiteContent {
    std::vector<CatalogueSong> songs;
    std::filesystem::path songFolder;
    ReportBook* reports = nullptr;
    bool edgePages = false;
    int deadPort = 0;  // for the edge pages
};

// GET /sbz1.aspx, /getmusic.aspx, /music/FILE, /help, /, /update,
// /login.aspx, /reports, /reports.txt, and /edge/... when asked for.
// Everything else is left to the server's 404.
void AddSiteRoutes(httplib::Server& server, const SiteContent& content);
