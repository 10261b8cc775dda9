#pragma once
// What the main window's handlers share for the whole run: the accompaniment
// in force, its lyrics, and the take's state. The window owns it and shows
// it; nothing here is a widget. UI thread only.

#include <QString>
#include <chrono>
#include <functional>
#include <string>

#include "audio/WavHeader.h"
#include "lyrics/Lyrics.h"
#include "lyrics/LyricWipe.h"
#include "workflow/MainWindowView.h"
#include "workflow/StudioSettings.h"
#include "workflow/TakeState.h"

struct VoiceInput {
    std::string source;  // the sound server's name; "": its default
    std::chrono::microseconds correction{0};
};

struct Session {
    explicit Session(MainWindowView& view) : View(view), State(view) {}

    MainWindowView& View;
    TakeState State;

    QString MusicFile;          // full path of the last imported accompaniment
    WavHeader CurrentFormat{};  // its format; the voice takes its rate and width
    LyricLineMap LyricLines;    // of the lyric file last loaded
    QMap<int, LineTiming> LyricTiming;  // when each of its lines and words is sung
    QString LyricTitle;
    QString LyricArtist;
    // The line the lyric label shows (its second; -1: none yet), and what
    // the next line's label shows when it counts nothing in.
    int ShownLyricSecond = -1;
    QString ShownNextLyric;
    QString CountIn;  // the dots the next line's label shows instead; "" when none

    // The "调音" window's settings; the key whose copy of the accompaniment
    // the next take plays; the key the last take was sung in; what mix.wav
    // was last built with in this run (one from an earlier run counts as
    // built with the defaults).
    StudioSettings Studio;
    int AccompanimentKey = 0;
    int SungKey = 0;
    MixSettings MixBuiltWith;
    int MixBuiltInKey = 0;
    // Told when an import has made a new bgsound.wav.
    std::function<void()> AccompanimentChanged;
    // The microphone a take records and the correction its voice gets;
    // unset, the server's default input, as the server reports it.
    std::function<VoiceInput()> VoiceInputForTake;
};
