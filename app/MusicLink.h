#pragma once
// The site's song links: an address that starts "music:" instead of "http:"
// names a fetch address on the site, whose answer is the download address of
// the accompaniment; the link's "name=" value is the name the download is
// stored under in the temp folder. Pure functions; any thread.

#include <QString>

// Whether `address` is a song link: its first six characters, lowered, are
// "music:".
bool IsMusicLink(const QString& address);

// "music://h/get?name=x" gives "http://h/get?name=x": "http" in place of the
// first five characters, the rest unchanged.
QString MusicFetchAddress(const QString& link);

// The "name=" value of the fetch address (up to "&", CR or LF; no decoding).
// Only its last path element is kept, so that a name from a web page can
// never place the download outside the temp folder.
QString MusicLinkName(const QString& fetchAddress);

// The extension of a download address taken as a path: from its last "."
// (included) to the end, unless a "\" or ":" follows that dot; "" otherwise.
QString DownloadExtension(const QString& downloadAddress);

// Where a song link's download is stored: `tempFolder` + name + extension;
// "" when that path would lead out of `tempFolder` (a name of "." with an
// answer such as "http://h/../x" would).
QString MusicDownloadTarget(const QString& tempFolder, const QString& fetchAddress,
                            const QString& downloadAddress);
