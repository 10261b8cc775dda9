#pragma once
// The search page "/sbz1.aspx", the start page of the program's site pane
// (569 x 242 pixels): a search box and the demo songs, each with its
// "music:" link (id "song-N") and a plain link to its LRC lyrics
// (id "lyrics-N"), N being the song's id.

#include <string>
#include <vector>

#include "site/catalogue/SongCatalogue.h"

inline constexpr const char* kFetchPath = "/getmusic.aspx";
inline constexpr const char* kSongFolderPath = "/music/";

// The "music:" link of a song on `host`: music://HOST/getmusic.aspx?id=N&name=NAME.
std::string MusicLink(const std::string& host, const CatalogueSong& song);

// The songs whose title holds `query`, or whose name holds it ignoring the
// case of letters; all of them for an empty query.
std::vector<CatalogueSong> MatchingSongs(const std::vector<CatalogueSong>& songs,
                                         const std::string& query);

std::string SearchPageHtml(const std::vector<CatalogueSong>& songs, const std::string& host,
                           const std::string& query);
