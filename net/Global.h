#pragma once
// Helpers shared across the program: the work folders and the file-name rules.

#include <QString>

// Process-wide folder texts, set once while the main window is built and only
// read afterwards. WorkFolder is the program's folder with a trailing "/".
const QString& WorkFolder();
const QString& TempFolder();        // WorkFolder() + "temp/"
const QString& SettingsListPath();  // program path with the extension ".ini"

// Derives the three texts above from the program file's full path.
void SetWorkFolders(const QString& programPath);

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
