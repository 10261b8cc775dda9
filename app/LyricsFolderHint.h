#pragma once
// The help line under the lyrics tells where LRC files for the songs in the
// temp folder go. Beside the program that is the window's own text; an
// installed copy keeps its temp folder in the user's data folder and names it.

#include <QString>

class QFontMetrics;

// The text for a temp folder `tempFolder`. With `besideProgram` it is the
// window's own text. Otherwise the folder is named with the home folder
// `homeFolder` shown as "~", and shortened in its middle when the text would
// be wider than `widthPx` in `metrics`.
QString LyricsFolderHint(const QString& tempFolder, bool besideProgram, const QString& homeFolder,
                         const QFontMetrics& metrics, int widthPx);
