#pragma once
// The encoding of a lyric file, and its text. Lyric files come as UTF-8
// (with or without its mark), UTF-16 with its mark (Windows tools), GBK or
// GB18030 (the mainland's) and Big5 (Taiwan's and Hong Kong's). Any thread.

#include <QByteArray>
#include <QString>

// The file's bytes as text, up to its first NUL character: by its mark when
// it has one, as UTF-8 when it is valid UTF-8, else in the encoding the
// detector (uchardet) finds among the Chinese ones: Big5 when it says so and
// the bytes are valid Big5, GB18030 otherwise (a superset of GBK, which wins
// where a text could be either).
QString DecodeLyricsText(const QByteArray& bytes);

// The name of the encoding DecodeLyricsText reads `bytes` in: "UTF-8",
// "UTF-16LE", "UTF-16BE", "Big5" or "GB18030".
QByteArray LyricsEncoding(const QByteArray& bytes);
