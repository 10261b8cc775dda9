#include "lyrics/LyricWipe.h"

#include <algorithm>

namespace {

// The share of `characters` filled `ms` into a stretch that starts at
// `startMs` and has until `untilMs` (-1: no limit but the longest pace).
double Stretch(int characters, int startMs, int untilMs, int ms) {
    if (characters <= 0 || ms <= startMs) return 0;
    const double longest = double(characters) * kMostMsPerCharacter;
    const double length =
        untilMs > startMs ? std::min(double(untilMs) - startMs, longest) : longest;
    return std::clamp((double(ms) - startMs) / length, 0.0, 1.0) * characters;
}

}  // namespace

std::optional<double> FilledCharacters(const LineTiming& line, int nextStartMs, int ms) {
    if (!line.wipes || line.characters <= 0) return std::nullopt;
    if (line.words.isEmpty()) return Stretch(line.characters, line.startMs, nextStartMs, ms);
    // Text before the first word tag is sung from the line's own time.
    const WordStart first = line.words.front();
    if (ms < first.ms) return Stretch(first.at, line.startMs, first.ms, ms);
    // The word being sung: the last one that has begun.
    qsizetype i = 0;
    while (i + 1 < line.words.size() && ms >= line.words[i + 1].ms) ++i;
    const WordStart word = line.words[i];
    const bool last = i + 1 == line.words.size();
    const int end = last ? line.characters : line.words[i + 1].at;
    const int until = last ? (line.endMs >= 0 ? line.endMs : nextStartMs) : line.words[i + 1].ms;
    return word.at + Stretch(end - word.at, word.ms, until, ms);
}

int CountInDots(int firstLineMs, int ms) {
    if (firstLineMs < 3000 || ms < firstLineMs - 3000 || ms >= firstLineMs) return 0;
    return (firstLineMs - ms + 999) / 1000;  // no overflow: 0 < firstLineMs - ms <= 3000
}
