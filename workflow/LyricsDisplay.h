#pragma once
// The lyric lines of the main window: loading the LRC file beside the
// accompaniment at the start of a take or preview, and picking the lines at
// each tick.

#include <QString>

#include "workflow/MainWindowParts.h"

// The accompaniment's lyric file: its path with the last three characters
// replaced by "lrc".
QString LyricsPathFor(const QString& musicFile);

// Fills w.LyricLines from the file at `path` and sets the lyric labels, the
// window caption and the lyric font. A missing file only resets the labels.
// A file that exists but cannot be read raises std::runtime_error, which
// ends the calling handler.
void LoadLyrics(MainWindowParts& w, const QString& path);

// Shows the lines of second `t`, if it has one.
void ShowLyricsAt(MainWindowParts& w, int t);
