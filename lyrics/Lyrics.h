#pragma once
// LRC lyric files: timed lines keyed by whole second, and the title and
// artist header lines. No widgets; the main window shows what this yields.

#include <QMap>
#include <QString>
#include <optional>

#include "lyrics/LyricWipe.h"

// Second (greater than 0) -> one non-empty, trimmed lyric line.
using LyricLineMap = QMap<int, QString>;

struct ParsedLyrics {
    LyricLineMap lines;
    // Second -> the times of the line stored there.
    QMap<int, LineTiming> timing;
    std::optional<QString> title;   // value of the last "[ti:" line, if any
    std::optional<QString> artist;  // value of the last "[ar:" line, if any
};

// The trimmed text strictly between the first `first` and the first `second`
// of `text`. A `first` that does not occur (callers pass NUL) means the start;
// a `second` that does not occur means the end; `second` before `first` gives "".
QString TextBetween(const QString& text, QChar first, QChar second);

// Parses the text of an LRC file (see LyricsEncoding.h for its bytes). Time
// tags are "[m:s.f]"; the line is kept under the whole second, its fraction
// only tells when its wipe begins. A line may carry several; a later line
// for the same second wins. Word tags in a line's text ("<m:s.f>") are taken
// out of it and give its words' times.
ParsedLyrics ParseLyrics(const QString& text);

// The lines shown at second `t`: the line of second t (if there is none,
// nothing changes) and the first line of the 59 seconds after it (or "").
struct PickedLines {
    QString current;
    QString next;
};
std::optional<PickedLines> PickLyricLines(const LyricLineMap& lines, int t);
