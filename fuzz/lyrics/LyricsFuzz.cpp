// The LRC lyrics reader on arbitrary bytes: decoding (UTF-8 or GB18030),
// parsing, and picking the lines shown at each second the file names. Every
// stored line is keyed by a second above 0, is not empty and is trimmed, and
// picking at its second shows it.
#include <QByteArray>
#include <QString>
#include <cstdint>

#include "fuzz/FuzzCheck.h"
#include "base/Global.h"
#include "workflow/Lyrics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = DecodeLyricsText(bytes);
    const ParsedLyrics parsed = ParseLyrics(text);
    for (auto line = parsed.lines.cbegin(); line != parsed.lines.cend(); ++line) {
        FuzzCheck(line.key() > 0, "a line at second 0 or before");
        FuzzCheck(!line.value().isEmpty(), "an empty line");
        FuzzCheck(line.value() == TrimControls(line.value()), "an untrimmed line");
        const auto shown = PickLyricLines(parsed.lines, line.key());
        FuzzCheck(shown && shown->current == line.value(), "the line of its second not shown");
        PickLyricLines(parsed.lines, line.key() - 1);
    }
    if (!text.isEmpty()) TextBetween(text, text.front(), text.back());
    return 0;
}
