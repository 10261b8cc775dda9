#include "lyrics/WordTags.h"

#include <climits>

namespace {

// Up to 9 digits as a number; -1 for none or anything else.
int64_t Digits(QStringView text) {
    if (text.isEmpty() || text.size() > 9) return -1;
    int64_t value = 0;
    for (QChar c : text) {
        if (!c.isDigit() || c.unicode() > '9') return -1;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

}  // namespace

int TagMilliseconds(QStringView tag) {
    const qsizetype colon = tag.indexOf(u':');
    if (colon < 0) return -1;
    const qsizetype dot = tag.indexOf(u'.', colon);
    const int64_t minutes = Digits(tag.left(colon));
    const int64_t seconds = Digits(dot < 0 ? tag.mid(colon + 1) : tag.mid(colon + 1, dot - colon - 1));
    int64_t fraction = 0;
    if (dot >= 0) {
        const QStringView digits = tag.mid(dot + 1);
        if (digits.size() > 3) return -1;
        fraction = Digits(digits);
        for (qsizetype n = digits.size(); n < 3 && fraction >= 0; ++n) fraction *= 10;
    }
    if (minutes < 0 || seconds < 0 || fraction < 0) return -1;
    const int64_t ms = (minutes * 60 + seconds) * 1000 + fraction;
    return ms > INT_MAX ? -1 : static_cast<int>(ms);
}

WordTimedText ParseWordTags(const QString& line) {
    WordTimedText parsed;
    parsed.text.reserve(line.size());
    qsizetype from = 0;
    int lastMs = -1;
    while (from < line.size()) {
        const qsizetype open = line.indexOf(u'<', from);
        const qsizetype close = open < 0 ? -1 : line.indexOf(u'>', open);
        const int ms = close < 0 ? -1 : TagMilliseconds(QStringView(line).mid(open + 1, close - open - 1));
        if (ms < 0) {
            // Not a tag: the text up to and with the "<" stays as it is.
            const qsizetype end = open < 0 ? line.size() : open + 1;
            parsed.text += QStringView(line).mid(from, end - from);
            from = end;
            continue;
        }
        parsed.text += QStringView(line).mid(from, open - from);
        if (ms < lastMs) parsed.inOrder = false;
        lastMs = ms;
        const int at = static_cast<int>(parsed.text.size());
        // Two tags at one place: the later says when the word begins.
        if (!parsed.words.isEmpty() && parsed.words.back().at == at) {
            parsed.words.back().ms = ms;
        } else {
            parsed.words.append({at, ms});
        }
        from = close + 1;
    }
    // A tag with no text after it closes the last word.
    if (!parsed.words.isEmpty() && parsed.words.back().at == parsed.text.size()) {
        parsed.endMs = parsed.words.back().ms;
        parsed.words.removeLast();
    }
    return parsed;
}
