#include "workflow/Lyrics.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <climits>
#include <cstdint>

#include "base/Global.h"

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

}  // namespace

QString TextBetween(const QString& text, QChar first, QChar second) {
    const qsizetype firstAt = text.indexOf(first);
    const qsizetype secondAt = text.indexOf(second);
    const qsizetype begin = firstAt < 0 ? 0 : firstAt + 1;
    const qsizetype end = secondAt < 0 ? text.size() : secondAt;
    if (end < begin) return QString();
    return TrimControls(text.mid(begin, end - begin));
}

QString DecodeLyricsText(const QByteArray& bytes) {
    QByteArray text = bytes;
    const qsizetype nul = text.indexOf('\0');
    if (nul >= 0) text.truncate(nul);
    if (text.startsWith("\xEF\xBB\xBF")) text.remove(0, 3);

    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(text);
    if (!utf8.hasError()) return decoded;

    QStringDecoder gb18030("GB18030");
    if (gb18030.isValid()) return gb18030.decode(text);
    return QString::fromLocal8Bit(text);
}

ParsedLyrics ParseLyrics(const QString& text) {
    ParsedLyrics parsed;
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    const QStringList fileLines = text.split(lineBreak);
    for (const QString& line : fileLines) {
        const qsizetype close = line.lastIndexOf(u']');  // -1 when there is none
        const QString lyric = TrimControls(line.mid(close + 1));
        if (!lyric.isEmpty()) {
            QString tags = line.left(close + 1);
            tags.remove(u'[');
            tags.replace(u']', u'\n');
            for (const QString& fragment : tags.split(u'\n')) {
                const int second = TagSeconds(TrimControls(fragment));
                if (second > 0) parsed.lines.insert(second, lyric);
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
