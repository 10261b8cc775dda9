#pragma once
// The lyrics that come with a song from the site: they lie at the song's
// download address with its extension replaced by ".lrc". Best effort:
// lyrics that are not there, too big, or hold no timed line are neither
// kept nor told of. UI thread (the request blocks it, as the text request
// does).

#include <QString>

// The download address with ".lrc" in place of its extension (the part
// DownloadExtension gives); "" when it has none.
QString SiteLyricsAddress(const QString& downloadAddress);

// Fetches the lyrics of the song downloaded from `downloadAddress` and
// keeps them as `lyricsPath` when they hold at least one timed line; an LRC
// file already there is replaced only then, and never left half-written.
// True when they were kept.
bool FetchSiteLyrics(const QString& downloadAddress, const QString& lyricsPath);
