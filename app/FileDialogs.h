#pragma once
// The main window's two file dialogs.

#include <QString>

class QWidget;

// Asks for an accompaniment: MP3 and WMA files, WMA only, MP3 only. Returns
// the chosen path, or "" when the user cancels.
QString ChooseAccompaniment(QWidget* owner);

// Asks where to save the song as MP3, proposing `proposedName` in `folder`
// (the user's music folder when `folder` does not exist). Adds ".mp3" when
// the user types no extension and asks before replacing a file. Returns the
// chosen path, or "" when the user cancels.
QString ChooseMp3Destination(QWidget* owner, const QString& proposedName, const QString& folder);
