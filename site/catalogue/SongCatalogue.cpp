#include "site/catalogue/SongCatalogue.h"

#include <cstdio>
#include <fstream>
#include <set>
#include <stdexcept>

namespace {

constexpr const char* kHeader = "# id\ttitle\tname\tfile\tlyrics\tcharset\tseconds";

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (true) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return fields;
}

std::optional<CatalogueSong> ParseSong(const std::string& line, std::string& fault) {
    const std::vector<std::string> f = SplitTabs(line);
    if (f.size() != 7) {
        fault = "expected 7 fields";
        return std::nullopt;
    }
    CatalogueSong song;
    try {
        size_t used = 0;
        song.id = std::stoi(f[0], &used);
        if (used != f[0].size() || song.id <= 0) throw std::invalid_argument("id");
        song.seconds = std::stod(f[6], &used);
        if (used != f[6].size() || !(song.seconds > 0)) throw std::invalid_argument("seconds");
    } catch (const std::exception&) {
        fault = "bad id or length";
        return std::nullopt;
    }
    song.title = f[1];
    song.name = f[2];
    song.file = f[3];
    song.lyricsFile = f[4];
    song.lyricsCharset = f[5];
    if (song.title.empty() || !IsPlainFileName(song.name) || !IsPlainFileName(song.file) ||
        !IsPlainFileName(song.lyricsFile)) {
        fault = "empty title or a name that is not a plain file name";
        return std::nullopt;
    }
    if (song.lyricsCharset != "utf-8" && song.lyricsCharset != "gbk") {
        fault = "charset is neither utf-8 nor gbk";
        return std::nullopt;
    }
    return song;
}

}  // namespace

bool IsPlainFileName(const std::string& name) {
    if (name.empty() || name[0] == '.') return false;
    for (const char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        if (!plain) return false;
    }
    return true;
}

bool WriteSongCatalogue(const std::string& path, const std::vector<CatalogueSong>& songs) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << kHeader << '\n';
    for (const CatalogueSong& s : songs) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.3f", s.seconds);
        out << s.id << '\t' << s.title << '\t' << s.name << '\t' << s.file << '\t' << s.lyricsFile
            << '\t' << s.lyricsCharset << '\t' << seconds << '\n';
    }
    out.close();
    return static_cast<bool>(out);
}

std::optional<std::vector<CatalogueSong>> ReadSongCatalogue(const std::string& path,
                                                            std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot be read";
        return std::nullopt;
    }
    std::vector<CatalogueSong> songs;
    std::set<int> ids;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::string fault;
        std::optional<CatalogueSong> song = ParseSong(line, fault);
        if (song && !ids.insert(song->id).second) fault = "id used twice";
        if (!fault.empty()) {
            error = path + ":" + std::to_string(number) + ": " + fault;
            return std::nullopt;
        }
        songs.push_back(*song);
    }
    if (songs.empty()) {
        error = path + ": lists no song";
        return std::nullopt;
    }
    return songs;
}
