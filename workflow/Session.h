#pragma once
// What the main window's handlers share for the whole run: the accompaniment
// in force, its lyrics, and the take's state. The window owns it and shows
// it; nothing here is a widget. UI thread only.

#include <QString>

#include "audio/WavHeader.h"
#include "workflow/Lyrics.h"
#include "workflow/MainWindowView.h"
#include "workflow/TakeState.h"

struct Session {
    explicit Session(MainWindowView& view) : View(view), State(view) {}

    MainWindowView& View;
    TakeState State;

    QString MusicFile;          // full path of the last imported accompaniment
    WavHeader CurrentFormat{};  // its format; the voice takes its rate and width
    LyricLineMap LyricLines;    // of the lyric file last loaded
    QString LyricTitle;
    QString LyricArtist;
};
