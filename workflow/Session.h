#pragma once
// What the main window's handlers share for the whole run: the accompaniment
// in force, its lyrics, and the take's state. The window owns it and shows
// it; nothing here is a widget. UI thread only.

#include <QString>

#include "audio/WavHeader.h"
#include "lyrics/Lyrics.h"
#include "lyrics/LyricWipe.h"
#include "workflow/MainWindowView.h"
#include "workflow/TakeState.h"

struct Session {
    explicit Session(MainWindowView& view) : View(view), State(view) {}

    MainWindowView& View;
    TakeState State;

    QString MusicFile;          // full path of the last imported accompaniment
    WavHeader CurrentFormat{};  // its format; the voice takes its rate and width
    LyricLineMap LyricLines;    // of the lyric file last loaded
    QMap<int, LineTiming> LyricTiming;  // when each of its lines and words is sung
    QString LyricTitle;
    QString LyricArtist;
    // The line the lyric label shows (its second; -1: none yet), and what
    // the next line's label shows when it counts nothing in.
    int ShownLyricSecond = -1;
    QString ShownNextLyric;
    QString CountIn;  // the dots the next line's label shows instead; "" when none
};
