#pragma once
// One take, from the record button to the preview: the handlers of the record
// and preview buttons and of the one-second timer. The take's state lives in
// the buttons' tags and faces, the timer's counter and the work files in the
// temp folder. Errors raised by the player or the lyric file end a handler at
// the step they happen; run the handlers through platform::RunHandler. A
// recorder that cannot start ends its take at once, with no take to show.

#include <QString>

#include "workflow/MainWindowParts.h"

class TakeController {
public:
    explicit TakeController(MainWindowParts& window) : w_(window) {}

    void ButtonRecordClick();
    void ButtonPlayClick();
    void TimerTextTimer();

    // The accompaniment's file name without folder and extension.
    QString SongName() const;

private:
    void StartTake();
    void EndTake();
    void AbandonTake();
    void StartPreview();
    void EndPreview();

    MainWindowParts& w_;
};
