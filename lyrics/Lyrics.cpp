#include "lyrics/Lyrics.h"

#include <QRegularExpression>
#include <climits>
#include <cstdint>

#include <algorithm>

#include "base/Global.h"
#include "lyrics/WordTags.h"

namespace {

// The integer value of `text`, or 0 when it is not a whole number.
int IntegerOrZero(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? value : 0;
}

// The second a time tag names; 0 (dropped) when it lies beyond what a
// second is counted in.
int TagSeconds(const QString& fragment) {
    const int64_t minutes = IntegerOrZero(TextBetween(fragment, QChar(0), u':'));
    const int64_t seconds = IntegerOrZero(TextBetween(fragment, u':', u'.'));
    const int64_t key = minutes * 60 + seconds;
    return key > INT_MAX ? 0 : static_cast<int>(key);
}

// When a line's tag says it begins, to the millisecond: its whole second as
// the line is kept under, and the fraction that the key leaves out.
int StartMs(const QString& tag, int second) {
    const qsizetype dot = tag.indexOf(u'.');
    const int fraction =
        dot < 0 ? 0 : TagMilliseconds(QString(QStringLiteral("0:0.") + tag.mid(dot + 1, 3)));
    return int(std::min<int64_t>(int64_t(second) * 1000 + std::max(fraction, 0), INT_MAX));
}

}  // namespace

QString TextBetween(const QString& text, QChar first, QChar second) {
    const qsizetype firstAt = text.indexOf(first);
    const qsizetype secondAt = text.indexOf(second);
    const qsizetype begin = firstAt < 0 ? 0 : firstAt + 1;
    const qsizetype end = secondAt < 0 ? text.size() : secondAt;
    if (end < begin) return QString();
    return TrimControls(text.mid(begin, end - begin));
}

ParsedLyrics ParseLyrics(const QString& text) {
    ParsedLyrics parsed;
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    const QStringList fileLines = text.split(lineBreak);
    for (const QString& line : fileLines) {
        const qsizetype close = line.lastIndexOf(u']');  // -1 when there is none
        const QString lyric = TrimControls(line.mid(close + 1));
        if (!lyric.isEmpty()) {
            const WordTimedText words = ParseWordTags(lyric);
            const QString shown = TrimControls(words.text);
            if (shown.isEmpty()) continue;
            QString tags = line.left(close + 1);
            tags.remove(u'[');
            tags.replace(u']', u'\n');
            for (const QString& fragment : tags.split(u'\n')) {
                const QString tag = TrimControls(fragment);
                const int second = TagSeconds(tag);
                if (second <= 0) continue;
                parsed.lines.insert(second, shown);
                // The words count from the shown text: the trim moves them.
                const int trimmed = int(words.text.indexOf(shown));
                LineTiming timing{StartMs(tag, second), int(shown.size()), {}, words.endMs,
                                  words.inOrder};
                for (WordStart word : words.words) {
                    word.at = std::clamp(word.at - trimmed, 0, int(shown.size()));
                    timing.words.append(word);
                }
                parsed.timing.insert(second, timing);
            }
            continue;
        }
        // A header line: nothing after its last "]".
        const QString head = line.left(4).toLower();
        if (head == u"[ti:") {
            parsed.title = line.mid(4, line.size() - 5);
        } else if (head == u"[ar:") {
            parsed.artist = line.mid(4, line.size() - 5);
        }
    }
    return parsed;
}

std::optional<PickedLines> PickLyricLines(const LyricLineMap& lines, int t) {
    const auto current = lines.constFind(t);
    if (current == lines.constEnd() || current->isEmpty()) return std::nullopt;
    PickedLines picked{*current, QString()};
    // Counted from t, so that a second near the end of the int range does not
    // run past it.
    for (int ahead = 1; ahead <= 59 && t <= INT_MAX - ahead; ++ahead) {
        const int s = t + ahead;
        const auto next = lines.constFind(s);
        if (next != lines.constEnd() && !next->isEmpty()) {
            picked.next = *next;
            break;
        }
    }
    return picked;
}
