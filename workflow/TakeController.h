#pragma once
// One take, from the record button to the preview: the handlers of the record
// and preview buttons and of the one-second timer. The take's state is the
// session's TakeState; the work files sit in the temp folder. A handler first
// does what can fail (reading the lyrics, opening and starting the player,
// starting the recorder) and changes the window only once that has worked:
// a take or preview that cannot start leaves the window as it was (but for
// the status line, and a take that the recorder could not start no longer
// offers record.wav to preview and save), and the user is told why.

#include <QString>

#include "audio/TAudioRecord.h"
#include "platform/WavPlayer.h"
#include "workflow/Session.h"

class TakeController {
public:
    // The recorder and the player belong to the window and outlive this.
    TakeController(Session& session, TAudioRecord& recorder, platform::WavPlayer& player);

    void ButtonRecordClick();
    void ButtonPlayClick();
    void TimerTextTimer();
    // A frame of the lyrics while the clock runs: they follow what the
    // singer hears, to the millisecond.
    void LyricsFrame();

    // The accompaniment's file name without folder and extension.
    QString SongName() const;

private:
    void StartTake();
    Status StartAccompaniment(std::optional<ParsedLyrics>& lyrics);
    // Opens `path` in the player and starts it; nothing stays open on failure.
    Status Play(const QString& path);
    void EndTake();
    void StartPreview();
    Status BeginPreview(std::optional<ParsedLyrics>& lyrics);
    void EndPreview();

    Session& s_;
    MainWindowView& view_;
    TAudioRecord& recorder_;
    platform::WavPlayer& player_;
};
