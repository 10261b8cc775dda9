#pragma once
// A song's score in beats: the melody's notes and the chords under them,
// read from numbered notation (jianpu) as the demo songs are written.

#include <string>
#include <vector>

struct ScoreNote {
    double startBeat = 0;
    double beats = 0;
    int midi = 0;  // MIDI note number, 60 = middle C
};

struct ScoreChord {
    double startBeat = 0;
    double beats = 0;
    int rootMidi = 0;  // the root, from C3 (48) to B3 (59)
    bool minor = false;
};

// Reads a melody in numbered notation, bars parted by "|". A note is a
// scale degree 1-7 of the major key whose degree 1 is `tonicMidi` (0 is a
// rest), lasting one beat; "'" after it lifts it an octave, "," lowers it,
// each "_" halves its length and "." adds half. A "-" alone holds the note
// before it one beat more. Every bar must last `beatsPerBar` beats.
// Throws std::invalid_argument naming the fault.
std::vector<ScoreNote> ReadMelody(const std::string& text, int tonicMidi, int beatsPerBar,
                                  double startBeat);

// Reads chords, one a bar, bars parted by "|": a scale degree, "m" after it
// for minor ("6m"); two chords "4/1" share the bar half and half.
// Throws std::invalid_argument naming the fault.
std::vector<ScoreChord> ReadChords(const std::string& text, int tonicMidi, int beatsPerBar,
                                   double startBeat);

// Number of bars in a text with bars parted by "|".
int CountBars(const std::string& text);
