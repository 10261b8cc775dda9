#pragma once
// The demo songs of the stand-in site: short tunes written in numbered
// notation with their chords and lyric lines, and the files each one is
// published as.

#include <string>
#include <vector>

enum class LyricsEncoding { kUtf8, kUtf8WithBom, kGbk };

struct Phrase {
    std::string melody;  // numbered notation, bars parted by "|"
    std::string chords;  // one chord a bar
    std::string lyric;   // the line sung over it, UTF-8
};

struct DemoSong {
    std::string title;  // UTF-8
    std::string name;   // base of the file names and the links' name=
    int tonicMidi = 60;
    int beatsPerMinute = 100;
    int beatsPerBar = 4;
    std::string introChords;  // bars of accompaniment before the first phrase
    std::vector<Phrase> phrases;
    LyricsEncoding lyricsEncoding = LyricsEncoding::kUtf8;
    int mp3Id = 0;  // the site's id for the MP3 file
    int wmaId = 0;  // the site's id for a WMA file, 0 for none
};

const std::vector<DemoSong>& DemoSongs();
