// tavimo-songmaker FOLDER: makes the stand-in site's demo songs into FOLDER:
// each song as MP3 (some also as WMA), its LRC lyrics, and last the catalogue
// songs.tsv that lists them for the site.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "site/catalogue/SongCatalogue.h"
#include "site/songmaker/Arranger.h"
#include "site/songmaker/DemoSongs.h"
#include "site/songmaker/LrcWriter.h"
#include "site/songmaker/Mp3Writer.h"
#include "site/songmaker/WmaWriter.h"

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "tavimo-songmaker: %s\n", message.c_str());
    return 1;
}

CatalogueSong Entry(const DemoSong& song, int id, const std::string& file,
                    const std::string& titleSuffix, double seconds) {
    CatalogueSong entry;
    entry.id = id;
    entry.title = song.title + titleSuffix;
    entry.name = song.name;
    entry.file = file;
    entry.lyricsFile = song.name + ".lrc";
    entry.lyricsCharset = song.lyricsEncoding == LyricsEncoding::kGbk ? "gbk" : "utf-8";
    entry.seconds = seconds;
    return entry;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return Fail("usage: tavimo-songmaker FOLDER");
    const std::filesystem::path folder = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) return Fail(folder.string() + ": " + ec.message());

    std::vector<CatalogueSong> catalogue;
    try {
        for (const DemoSong& song : DemoSongs()) {
            const ArrangedSong arranged = ArrangeSong(song);
            std::string error;
            const std::string base = (folder / song.name).string();
            if (!WriteMp3(arranged.mix, base + ".mp3", error)) return Fail(error);
            catalogue.push_back(Entry(song, song.mp3Id, song.name + ".mp3", "", arranged.seconds));
            if (song.wmaId != 0) {
                if (!WriteWma(arranged.mix, song.title, base + ".wma", error)) return Fail(error);
                catalogue.push_back(
                    Entry(song, song.wmaId, song.name + ".wma", " (WMA)", arranged.seconds));
            }
            const std::string lyrics = LrcText(song.title, arranged.lyrics);
            if (!WriteLrc(lyrics, song.lyricsEncoding, base + ".lrc", error)) return Fail(error);
        }
    } catch (const std::exception& e) {
        return Fail(std::string("a demo song's score does not read: ") + e.what());
    }
    std::sort(catalogue.begin(), catalogue.end(),
              [](const CatalogueSong& a, const CatalogueSong& b) { return a.id < b.id; });
    const std::string listPath = (folder / kSongCatalogueFile).string();
    if (!WriteSongCatalogue(listPath, catalogue)) return Fail(listPath + ": cannot be written");
    return 0;
}
