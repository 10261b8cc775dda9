#include "site/songmaker/Score.h"

#include <cmath>
#include <sstream>
#include <stdexcept>

namespace {

constexpr int kMajorScale[7] = {0, 2, 4, 5, 7, 9, 11};
// Chord roots lie in the octave below middle C, under the melody.
constexpr int kChordRootTop = 60;

std::vector<std::string> SplitBars(const std::string& text) {
    std::vector<std::string> bars;
    std::string bar;
    std::istringstream in(text);
    while (std::getline(in, bar, '|')) bars.push_back(bar);
    return bars;
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

int DegreeSemitones(char degree, const std::string& token) {
    if (degree < '1' || degree > '7') throw std::invalid_argument("not a scale degree: " + token);
    return kMajorScale[degree - '1'];
}

}  // namespace

int CountBars(const std::string& text) { return static_cast<int>(SplitBars(text).size()); }

std::vector<ScoreNote> ReadMelody(const std::string& text, int tonicMidi, int beatsPerBar,
                                  double startBeat) {
    std::vector<ScoreNote> notes;
    double beat = startBeat;
    bool lastWasRest = true;
    for (const std::string& bar : SplitBars(text)) {
        const double barStart = beat;
        for (const std::string& token : Words(bar)) {
            if (token == "-") {
                if (!lastWasRest) notes.back().beats += 1;
                beat += 1;
                continue;
            }
            const char degree = token[0];
            double beats = 1;
            int octave = 0;
            for (size_t i = 1; i < token.size(); ++i) {
                switch (token[i]) {
                    case '\'':
                        ++octave;
                        break;
                    case ',':
                        --octave;
                        break;
                    case '_':
                        beats /= 2;
                        break;
                    case '.':
                        beats *= 1.5;
                        break;
                    default:
                        throw std::invalid_argument("unknown mark in " + token);
                }
            }
            lastWasRest = degree == '0';
            if (!lastWasRest) {
                const int midi = tonicMidi + DegreeSemitones(degree, token) + 12 * octave;
                notes.push_back({beat, beats, midi});
            }
            beat += beats;
        }
        if (std::abs(beat - barStart - beatsPerBar) > 1e-9) {
            throw std::invalid_argument("bar of " + std::to_string(beat - barStart) +
                                        " beats: " + bar);
        }
    }
    return notes;
}

std::vector<ScoreChord> ReadChords(const std::string& text, int tonicMidi, int beatsPerBar,
                                   double startBeat) {
    std::vector<ScoreChord> chords;
    double beat = startBeat;
    for (const std::string& bar : SplitBars(text)) {
        const std::vector<std::string> words = Words(bar);
        if (words.size() != 1) throw std::invalid_argument("one chord a bar: " + bar);
        std::vector<std::string> parts;
        std::istringstream in(words[0]);
        for (std::string part; std::getline(in, part, '/');) parts.push_back(part);
        if (parts.empty() || parts.size() > 2) throw std::invalid_argument("chord: " + words[0]);
        const double beats = static_cast<double>(beatsPerBar) / parts.size();
        for (const std::string& part : parts) {
            if (part.empty() || part.size() > 2 || (part.size() == 2 && part[1] != 'm')) {
                throw std::invalid_argument("chord: " + part);
            }
            int root = tonicMidi + DegreeSemitones(part[0], part);
            while (root >= kChordRootTop) root -= 12;
            while (root < kChordRootTop - 12) root += 12;
            chords.push_back({beat, beats, root, part.size() == 2});
            beat += beats;
        }
    }
    return chords;
}
