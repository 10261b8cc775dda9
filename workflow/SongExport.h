#pragma once
// Saving the take: the save button mixes the take down again and encodes the
// mix into the MP3 file that the user names.

#include "workflow/Session.h"

class TakeController;

class SongExport {
public:
    SongExport(Session& session, TakeController& take) : s_(session), take_(take) {}

    void ButtonSaveMp3Click();

private:
    Session& s_;
    TakeController& take_;
};
