#include "site/songmaker/Arranger.h"

#include <stdexcept>

#include "site/songmaker/Score.h"

namespace {

// Silence after the last chord for it to ring out.
constexpr double kTailSeconds = 1.5;

struct Timeline {
    std::vector<ScoreNote> notes;
    std::vector<ScoreChord> chords;
    std::vector<std::pair<double, std::string>> lyricBeats;
    int bars = 0;
    double outroBeat = 0;
};

Timeline ReadScore(const DemoSong& song) {
    Timeline timeline;
    const int perBar = song.beatsPerBar;
    timeline.chords = ReadChords(song.introChords, song.tonicMidi, perBar, 0);
    timeline.bars = CountBars(song.introChords);
    for (const Phrase& phrase : song.phrases) {
        const double start = static_cast<double>(timeline.bars) * perBar;
        const int bars = CountBars(phrase.melody);
        if (CountBars(phrase.chords) != bars) {
            throw std::invalid_argument("chords and melody differ in bars: " + phrase.melody);
        }
        const auto notes = ReadMelody(phrase.melody, song.tonicMidi, perBar, start);
        const auto chords = ReadChords(phrase.chords, song.tonicMidi, perBar, start);
        timeline.notes.insert(timeline.notes.end(), notes.begin(), notes.end());
        timeline.chords.insert(timeline.chords.end(), chords.begin(), chords.end());
        if (!phrase.lyric.empty()) timeline.lyricBeats.emplace_back(start, phrase.lyric);
        timeline.bars += bars;
    }
    timeline.outroBeat = static_cast<double>(timeline.bars) * perBar;
    return timeline;
}

// The chord's tones for the piano: root, third, fifth and the root an octave up.
std::vector<int> ChordTones(const ScoreChord& chord) {
    const int r = chord.rootMidi;
    return {r, r + (chord.minor ? 3 : 4), r + 7, r + 12};
}

// Bass and piano on every eighth of one chord: the root on its first beat,
// the fifth below on the bar's middle beat of four, and a broken chord above.
void PlayAccompaniment(StereoMix& mix, const ScoreChord& chord, int beatsPerBar,
                       double beatSeconds) {
    static const int kFourFourPattern[8] = {0, 2, 3, 2, 1, 2, 3, 2};
    static const int kThreeFourPattern[6] = {0, 2, 3, 2, 1, 2};
    const std::vector<int> tones = ChordTones(chord);
    const int bass = chord.rootMidi - 12;
    for (double beat = chord.startBeat; beat < chord.startBeat + chord.beats - 1e-9; beat += 0.5) {
        const double inBar = beat - static_cast<int>(beat / beatsPerBar) * beatsPerBar;
        const int eighth = static_cast<int>(inBar * 2 + 0.5);
        const double at = beat * beatSeconds;
        if (beatsPerBar == 3) {
            PlayPiano(mix, at, 1.2, tones[kThreeFourPattern[eighth % 6]], 0.09f);
            if (eighth == 0) PlayBass(mix, at, 3 * beatSeconds - 0.05, bass);
        } else {
            PlayPiano(mix, at, 1.2, tones[kFourFourPattern[eighth % 8]], 0.09f);
            if (eighth == 0 || eighth == 4) {
                const bool fresh = beat == chord.startBeat;
                PlayBass(mix, at, 2 * beatSeconds - 0.05, fresh ? bass : bass - 5);
            }
        }
    }
}

// Kick, snare and hi-hat for one bar: a back beat in four, oom-pah-pah in three.
void PlayDrums(StereoMix& mix, double barBeat, int beatsPerBar, double beatSeconds, Noise& noise) {
    for (int eighth = 0; eighth < 2 * beatsPerBar; ++eighth) {
        const double at = (barBeat + eighth * 0.5) * beatSeconds;
        const bool onBeat = eighth % 2 == 0;
        const int beat = eighth / 2;
        if (beatsPerBar == 3) {
            if (eighth == 0) PlayKick(mix, at);
            if (onBeat && beat > 0) PlayHat(mix, at, 1.0f, noise);
        } else {
            if (onBeat && beat % 2 == 0) PlayKick(mix, at);
            if (onBeat && beat % 2 == 1) PlaySnare(mix, at, noise);
            PlayHat(mix, at, onBeat ? 1.0f : 0.6f, noise);
        }
    }
}

}  // namespace

ArrangedSong ArrangeSong(const DemoSong& song) {
    const Timeline timeline = ReadScore(song);
    const double beatSeconds = 60.0 / song.beatsPerMinute;
    const int perBar = song.beatsPerBar;
    const double seconds = (timeline.outroBeat + perBar) * beatSeconds + kTailSeconds;

    ArrangedSong arranged{StereoMix(kSongSampleRateHz, seconds), {}, seconds};
    StereoMix& mix = arranged.mix;
    Noise noise;
    for (const ScoreNote& note : timeline.notes) {
        // A short breath between notes keeps repeated notes apart.
        PlayLead(mix, note.startBeat * beatSeconds, note.beats * beatSeconds - 0.04, note.midi);
    }
    for (const ScoreChord& chord : timeline.chords) {
        PlayAccompaniment(mix, chord, perBar, beatSeconds);
    }
    for (int bar = 0; bar < timeline.bars; ++bar) {
        PlayDrums(mix, static_cast<double>(bar) * perBar, perBar, beatSeconds, noise);
    }

    // The ending: the key's chord held over its bass, with one kick.
    const ScoreChord home = ReadChords("1", song.tonicMidi, perBar, timeline.outroBeat).front();
    const double end = timeline.outroBeat * beatSeconds;
    for (const int tone : ChordTones(home)) PlayPiano(mix, end, 2.5, tone, 0.12f);
    PlayBass(mix, end, perBar * beatSeconds + 0.5, home.rootMidi - 12);
    PlayKick(mix, end);
    Master(mix, 0.89f, 0.4);

    for (const auto& [beat, text] : timeline.lyricBeats) {
        arranged.lyrics.push_back({beat * beatSeconds, text});
    }
    return arranged;
}
