#pragma once
// How much of the current lyric line is filled in at a moment of the song:
// the colour wipe that runs through the line as it is sung. Pure functions;
// any thread.

#include <QList>
#include <QString>
#include <optional>

#include "lyrics/WordTags.h"

// A line's times: its own (the time tag with its fraction) and, when the
// file gives them, its words'.
struct LineTiming {
    int startMs = 0;
    int characters = 0;      // of the shown text
    QList<WordStart> words;  // empty: the line fills evenly
    int endMs = -1;          // the end of the last word, when the file tells
    bool wipes = true;       // false: word times the line cannot follow
};

// No character takes longer than this to fill.
inline constexpr int kMostMsPerCharacter = 600;

// The characters filled at `ms` (0 up to `line.characters`, fractions
// within a character), or nothing when the line does not wipe. A plain line
// fills evenly from its start to `nextStartMs` (the next line's start; -1
// when there is none), at most kMostMsPerCharacter a character; a line with
// word times fills each word from its own time the same way.
std::optional<double> FilledCharacters(const LineTiming& line, int nextStartMs, int ms);

// The dots that count in to the song's first line, at `ms`: 3, 2 and 1 in
// the three seconds before a first line that comes 3 s or more after the
// start; 0 otherwise.
int CountInDots(int firstLineMs, int ms);
