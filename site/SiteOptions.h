#pragma once
// The site program's command line.

#include <string>
#include <vector>

inline constexpr int kDefaultSitePort = 8479;

struct SiteOptions {
    int port = kDefaultSitePort;  // 0: any free port
    std::string dataFolder;       // the songs folder; empty: "songs" beside the program
    std::string reportsFile;      // empty: reports kept in memory only
    bool edgePages = false;
    bool help = false;
};

extern const char* const kSiteUsage;

// Reads "--port N", "--data DIR", "--reports FILE" (each also as
// "--name=value"), "--edge-pages" and "--help". False with `error` set for
// anything else or a value that does not fit.
bool ParseSiteOptions(const std::vector<std::string>& arguments, SiteOptions& options,
                      std::string& error);
