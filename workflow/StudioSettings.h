#pragma once
// The singer's settings of the "调音" window, kept per user in a file of the
// program's own ($XDG_CONFIG_HOME/tavimo/studio.ini, else
// ~/.config/tavimo/studio.ini), apart from the settings list the program
// carries through unchanged. A value that is missing, garbled or out of
// range reads as its default. Any thread.

#include <QString>
#include <string>

#include "audio/MixSettings.h"
#include "base/Result.h"

struct StudioSettings {
    MixSettings mix;
    int keySemitones = 0;  // -6 … 6: the accompaniment's key
    std::string microphone;  // the sound server's name; "": its default
    bool monitorOn = false;  // "耳返": the singer hears the microphone
    int monitorPercent = 50;

    bool operator==(const StudioSettings&) const = default;
};

QString StudioSettingsPath();
StudioSettings LoadStudioSettings(const QString& path);
Status SaveStudioSettings(const QString& path, const StudioSettings& settings);

// The accompaniment's file in the temp folder for `semitones`: bgsound.wav
// itself for 0, its copy in that key otherwise ("bgsound+2.wav").
QString AccompanimentFile(int semitones);
