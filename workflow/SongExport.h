#pragma once
// Saving the take: the save button mixes the take down again and encodes the
// mix into the MP3 file that the user names.

#include <QString>
#include <functional>

#include "workflow/MainWindowParts.h"

class TakeController;

class SongExport {
public:
    // The save dialog: proposed file name in, chosen path out ("" cancels).
    using ChooseDestinationFunction = std::function<QString(const QString& proposedName)>;

    SongExport(MainWindowParts& window, TakeController& take, ChooseDestinationFunction choose);

    void ButtonSaveMp3Click();

private:
    MainWindowParts& w_;
    TakeController& take_;
    ChooseDestinationFunction choose_;
};
