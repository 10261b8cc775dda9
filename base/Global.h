#pragma once
// Helpers shared across the program: the work folders and the file-name rules.

#include <QString>

// Process-wide folder texts, set once while the main window is built and only
// read afterwards. WorkFolder is the program's folder with a trailing "/": the
// libraries and blank.html are found there. The work files and the settings
// file sit beside them while that folder can be written (a build folder, a
// portable copy); an installed copy, whose folder cannot be written, keeps
// them in the user's data folder instead.
const QString& WorkFolder();
const QString& TempFolder();        // "temp/" in the folder of the work files
const QString& SettingsListPath();  // the program's name with ".ini", beside the work files

// Derives the three texts above from the program file's full path, choosing
// the place of the work files with WorkFilesFitBeside and UserDataFolder.
void SetWorkFolders(const QString& programPath);
// The same with the place chosen by the caller: beside the program, or in
// `dataFolder` (with a trailing "/").
void SetWorkFolders(const QString& programPath, bool besideProgram, const QString& dataFolder);

// Whether the work files of a program in `programFolder` can stay beside it:
// the folder can be written, and so can its temp folder when there is one.
bool WorkFilesFitBeside(const QString& programFolder);
// The program's folder in the user's data folder under the XDG rules:
// $XDG_DATA_HOME/tavimo/ when that is an absolute path, else
// ~/.local/share/tavimo/.
QString UserDataFolder();
// Whether the work files sit beside the program (as set by SetWorkFolders).
bool WorkFilesBesideProgram();

// The file-name part of `path` (after the last "/", "\" or ":") without its
// extension. A dot at the name's first position does not start an extension.
QString StripFileExt(const QString& path);

// The extension of `path` without its dot, trimmed of blanks and control
// characters and in lower case: "Song.MP3" gives "mp3"; none gives "".
QString LowerFileExt(const QString& path);

// The file-name part of `path`: what follows its last "/", "\" or ":".
QString FileNamePart(const QString& path);

// `text` without blanks and control characters (codes up to 32) at both ends.
QString TrimControls(const QString& text);
