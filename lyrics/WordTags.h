#pragma once
// Word times inside an LRC line ("enhanced" LRC): "<mm:ss.xx>" before a word
// says when it is sung, as in "<00:12.00>Hel<00:12.50>lo <00:13.10>world".
// A tag with nothing after it ends the line's last word. Pure functions;
// any thread.

#include <QList>
#include <QString>

// A word of a line: from character `at` of the shown text, sung from `ms`.
struct WordStart {
    int at = 0;
    int ms = 0;
};

struct WordTimedText {
    QString text;             // the line as shown: the tags taken out
    QList<WordStart> words;   // in order; empty when the line has no word times
    int endMs = -1;           // when a closing tag ends the last word; -1: none
    bool inOrder = true;      // false: tags that go back in time (the line gets no wipe)
};

// The line's text with its word tags taken out. Text that only looks like a
// tag ("<3>", "<a:b>") stays text.
WordTimedText ParseWordTags(const QString& line);

// The milliseconds a time "m:s", "m:s.f" names (f in tenths, hundredths or
// thousandths); -1 when it is not such a time.
int TagMilliseconds(QStringView tag);
