#pragma once
// The handlers of the "调音" window's controls: each setting is taken into
// the session and kept in the user's file at once; a new key has its copy of
// the accompaniment made (on a thread, with progress and a cancel) before a
// take can play it, and a new accompaniment has it made anew. The mix and
// the take read the settings from the session. UI thread only.

#include <QString>
#include <memory>

#include "effects/ReverbPreset.h"
#include "workflow/KeyChangeJob.h"
#include "workflow/Session.h"

class StudioController {
public:
    StudioController(Session& session, QString settingsPath);
    ~StudioController();

    void SetVoicePercent(int percent);
    void SetAccompanimentPercent(int percent);
    void SetReverb(effects::ReverbPreset preset);
    void SetEvenLoudness(bool on);
    void SetKey(int semitones);
    void CancelKeyChange();

    // bgsound.wav is new: the copies in other keys are gone.
    void AccompanimentChanged();

    bool keyChangeRunning() const { return job_ != nullptr; }
    const StudioSettings& Settings() const { return s_.Studio; }
    // The line about the mix's key, for the window to show.
    QString Note() const;
    // Writes the settings as they stand in the session to the user's file.
    void KeepSettings() { Keep(); }

private:
    void Keep();
    void KeyChangeEnded(int semitones, const Status& outcome);

    Session& s_;
    QString settingsPath_;
    std::unique_ptr<KeyChangeJob> job_;
    std::unique_ptr<TakeState::BusyScope> busy_;  // no take while a key's copy is made
};
