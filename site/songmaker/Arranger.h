#pragma once
// Plays a demo song's score into sound: a lead voice on the tune over piano,
// bass and drums in the song's metre, after an introduction and ending on a
// held chord. Also gives the time at which each lyric line starts.

#include <string>
#include <vector>

#include "site/songmaker/DemoSongs.h"
#include "site/songmaker/Instruments.h"

struct TimedLyric {
    double seconds = 0;
    std::string text;
};

struct ArrangedSong {
    StereoMix mix;
    std::vector<TimedLyric> lyrics;  // in order of time
    double seconds = 0;              // length of the mix
};

inline constexpr int kSongSampleRateHz = 44100;

// Throws std::invalid_argument when the song's score does not read.
ArrangedSong ArrangeSong(const DemoSong& song);
