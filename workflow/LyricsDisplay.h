#pragma once
// The lyric lines of the main window: the LRC file beside the accompaniment,
// read at the start of a take or preview, shown, and its lines picked at each
// tick.

#include <QString>
#include <optional>

#include "base/Result.h"
#include "lyrics/Lyrics.h"
#include "workflow/Session.h"

// The accompaniment's lyric file: its path with the last three characters
// replaced by "lrc".
QString LyricsPathFor(const QString& musicFile);

// The lyrics of the file at `path`; none when there is no such file. A file
// that exists but cannot be read fails (for the error box).
Result<std::optional<ParsedLyrics>> ReadLyricsFile(const QString& path);

// Makes `lyrics` the session's (none: no lines) and sets the lyric labels,
// the window caption and the lyric font.
void ShowLyrics(Session& session, const std::optional<ParsedLyrics>& lyrics);

// Shows the lines of second `t`, if it has one.
void ShowLyricsAt(Session& session, int t);

// A frame of the lyrics at `heardMs` into the song (none: not known yet):
// the current line filled in as far as it is sung, and the count-in to the
// first line.
void FollowLyrics(Session& session, std::optional<int> heardMs);
