#pragma once
// Writes a song's timed lyrics as an LRC file, lines ended by CR LF, in
// UTF-8 (with or without a byte-order mark) or in GBK as older sites did.

#include <string>
#include <vector>

#include "site/songmaker/Arranger.h"
#include "site/songmaker/DemoSongs.h"

// The LRC text in UTF-8: title and artist tags, then one "[mm:ss.xx]" line
// for each lyric.
std::string LrcText(const std::string& title, const std::vector<TimedLyric>& lyrics);

// False with `error` set when the text has no GBK form or the file cannot be
// written whole.
bool WriteLrc(const std::string& utf8Text, LyricsEncoding encoding, const std::string& path,
              std::string& error);
