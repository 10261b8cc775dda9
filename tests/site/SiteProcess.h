#pragma once
// The stand-in site run as a child process for one test: started on a free
// port (--port 0, the port read from its first line of output) and stopped
// by its process id, every wait bounded.

#include <httplib.h>
#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "site/catalogue/SongCatalogue.h"

class SiteProcess {
public:
    // Starts tavimo-site with `--port 0` and `arguments`; started() tells
    // whether it printed its port in time.
    explicit SiteProcess(const std::vector<std::string>& arguments = {});
    ~SiteProcess();
    SiteProcess(const SiteProcess&) = delete;
    SiteProcess& operator=(const SiteProcess&) = delete;

    bool started() const { return port_ > 0; }
    int port() const { return port_; }
    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }

    // A client for the site that sends targets exactly as given, unescaped.
    httplib::Client client() const;

    // Sends SIGTERM and waits; the exit status, or nothing when it had to be killed.
    std::optional<int> stop();

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

// Result of a program run to its end: the site with options that make it
// fail, ffprobe, ffmpeg.
struct ProgramResult {
    bool finished = false;  // ended by itself within the time allowed
    int exitCode = -1;
    std::string output;  // standard output and standard error together
};

ProgramResult RunToEnd(const std::string& program, const std::vector<std::string>& arguments,
                       int timeoutMs = 60000);

inline const std::string kSiteProgram = TAVIMO_SITE_PROGRAM;
inline const std::string kSongFolder = TAVIMO_SITE_SONGS_DIR;

// The demo songs the build made for the site, from their list; a list that
// cannot be read fails the test and gives none.
std::vector<CatalogueSong> BuiltSongs();

// The whole of a file; empty when it cannot be read.
std::string FileBytes(const std::string& path);
