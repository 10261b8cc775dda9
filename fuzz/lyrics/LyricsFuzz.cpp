// The LRC lyrics reader on arbitrary bytes: the encoding's detection and
// decoding, parsing with the word times, picking the lines shown at each
// second the file names, and the wipe through each line. Every stored line
// is keyed by a second above 0, is not empty and is trimmed, and picking at
// its second shows it; its timing covers it, and its wipe stays within the
// line and never goes back while the song goes on.
#include <QByteArray>
#include <QString>
#include <climits>
#include <cstdint>

#include "base/Global.h"
#include "fuzz/FuzzCheck.h"
#include "lyrics/Lyrics.h"
#include "lyrics/LyricsEncoding.h"

namespace {

void CheckWipe(const LineTiming& timing, int nextStartMs) {
    double before = 0;
    for (int step = -2; step <= 40; ++step) {
        const int64_t at = int64_t(timing.startMs) + step * 250;
        if (at > INT_MAX) return;
        const int ms = static_cast<int>(at);
        const std::optional<double> filled = FilledCharacters(timing, nextStartMs, ms);
        if (!timing.wipes || timing.characters == 0) {
            FuzzCheck(!filled, "a wipe for a line that has none");
            return;
        }
        FuzzCheck(filled && *filled >= 0 && *filled <= timing.characters, "a wipe off the line");
        FuzzCheck(*filled >= before, "a wipe that goes back");
        before = *filled;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QByteArray encoding = LyricsEncoding(bytes);
    FuzzCheck(encoding == "UTF-8" || encoding == "UTF-16LE" || encoding == "UTF-16BE" ||
                  encoding == "Big5" || encoding == "GB18030",
              "an encoding of no lyric file");
    const QString text = DecodeLyricsText(bytes);
    FuzzCheck(!text.contains(QChar(0)), "a NUL in the text");
    const ParsedLyrics parsed = ParseLyrics(text);
    FuzzCheck(parsed.timing.keys() == parsed.lines.keys(), "lines and timings apart");
    for (auto line = parsed.lines.cbegin(); line != parsed.lines.cend(); ++line) {
        FuzzCheck(line.key() > 0, "a line at second 0 or before");
        FuzzCheck(!line.value().isEmpty(), "an empty line");
        FuzzCheck(line.value() == TrimControls(line.value()), "an untrimmed line");
        const auto shown = PickLyricLines(parsed.lines, line.key());
        FuzzCheck(shown && shown->current == line.value(), "the line of its second not shown");
        PickLyricLines(parsed.lines, line.key() - 1);

        const auto timing = parsed.timing.constFind(line.key());
        FuzzCheck(timing->characters == line.value().size(), "a timing of another text");
        FuzzCheck(line.key() > INT_MAX / 1000 || timing->startMs / 1000 == line.key(),
                  "a start in another second");
        int at = 0;
        for (const WordStart& word : timing->words) {
            FuzzCheck(word.at >= at && word.at <= timing->characters, "a word off the line");
            at = word.at;
        }
        const auto next = std::next(timing);
        CheckWipe(*timing, next == parsed.timing.cend() ? -1 : next->startMs);
    }
    if (!parsed.timing.isEmpty()) {
        const int first = parsed.timing.first().startMs;
        for (int ms : {first - 3000, first - 2001, first - 1, first}) {
            const int dots = CountInDots(first, ms);
            FuzzCheck(dots >= 0 && dots <= 3, "a count-in of more than three");
        }
    }
    if (!text.isEmpty()) TextBetween(text, text.front(), text.back());
    return 0;
}
