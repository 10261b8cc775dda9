#pragma once
// LRC lyric files: timed lines keyed by whole second, and the title and
// artist header lines. No widgets; the main window shows what this yields.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <optional>

// Second (greater than 0) -> one non-empty, trimmed lyric line.
using LyricLineMap = QMap<int, QString>;

struct ParsedLyrics {
    LyricLineMap lines;
    std::optional<QString> title;   // value of the last "[ti:" line, if any
    std::optional<QString> artist;  // value of the last "[ar:" line, if any
};

// The trimmed text strictly between the first `first` and the first `second`
// of `text`. A `first` that does not occur (callers pass NUL) means the start;
// a `second` that does not occur means the end; `second` before `first` gives "".
QString TextBetween(const QString& text, QChar first, QChar second);

// The file's bytes as text: up to the first NUL byte, read as UTF-8 when it is
// valid UTF-8 (a leading byte-order mark dropped), otherwise as GB18030, the
// encoding of lyric files from the site.
QString DecodeLyricsText(const QByteArray& bytes);

// Parses the text of an LRC file. Time tags are "[m:s.f]" with the fraction
// ignored; a line may carry several; a later line for the same second wins.
ParsedLyrics ParseLyrics(const QString& text);

// The lines shown at second `t`: the line of second t (if there is none,
// nothing changes) and the first line of the 59 seconds after it (or "").
struct PickedLines {
    QString current;
    QString next;
};
std::optional<PickedLines> PickLyricLines(const LyricLineMap& lines, int t);
