#pragma once
// The demo songs of the stand-in site, as one tab-separated text file
// (songs.tsv) in the songs folder: one song a line, lines starting with "#"
// are comments. The song maker writes it last, after every file it names.

#include <optional>
#include <string>
#include <vector>

inline constexpr const char* kSongCatalogueFile = "songs.tsv";

struct CatalogueSong {
    int id = 0;                 // the fetch address's id=, unique
    std::string title;          // UTF-8, shown on the search page
    std::string name;           // the link's name=: the file name the client stores it under
    std::string file;           // the accompaniment in the songs folder: name + ".mp3" or ".wma"
    std::string lyricsFile;     // its LRC lyrics in the songs folder: name + ".lrc"
    std::string lyricsCharset;  // "utf-8" or "gbk"
    double seconds = 0;         // length of the accompaniment
};

// A name that may stand in a URL and as a file name in one folder: letters,
// digits, "-", "_" and "." only, not starting with ".".
bool IsPlainFileName(const std::string& name);

// Writes the catalogue; false when the file cannot be written whole.
bool WriteSongCatalogue(const std::string& path, const std::vector<CatalogueSong>& songs);

// Reads and checks the catalogue: ids unique and positive, plain names and
// files, a known charset. Nothing on any fault, with `error` telling which line.
std::optional<std::vector<CatalogueSong>> ReadSongCatalogue(const std::string& path,
                                                            std::string& error);
