#include <gtest/gtest.h>

#include <QStringEncoder>
#include <climits>

#include "lyrics/Lyrics.h"
#include "lyrics/LyricsEncoding.h"

namespace {
QString U(const char* utf8) { return QString::fromUtf8(utf8); }
}  // namespace

TEST(Lyrics, TextBetweenFindsFirstOccurrences) {
    EXPECT_EQ("1", TextBetween("1:02.50", QChar(0), u':'));
    EXPECT_EQ("02", TextBetween("1:02.50", u':', u'.'));
    EXPECT_EQ("75", TextBetween("1:75", u':', u'.'));        // no second: to the end
    EXPECT_EQ("abc", TextBetween(" abc ", QChar(0), u':'));  // no first: from the start
    EXPECT_EQ("", TextBetween("5.1:2", u':', u'.'));         // second before first
    EXPECT_EQ("02:03", TextBetween("1:02:03.00", u':', u'.'));
}

TEST(Lyrics, TimedLinesAreKeyedByWholeSecond) {
    const ParsedLyrics p = ParseLyrics(
        "[0:12.50][0:47.10]la\r\n"
        "[1:05.20][2:10.00] two tags \n"
        "[1:75]late\r"
        "[1:02:03.00]hours\n"
        "[00:00.00]never shown\n"
        "[00:03.99]first\n"
        "[00:03.10]second wins\n"
        "[ti:Title] after the title\n"
        "[00:09]text ending in]\n"
        "no tags at all\n"
        "[xx:yy]letters\n");
    LyricLineMap expected{{12, "la"},    {47, "la"},    {65, "two tags"},  {130, "two tags"},
                          {135, "late"}, {60, "hours"}, {3, "second wins"}};
    EXPECT_EQ(expected, p.lines);
}

TEST(Lyrics, HeaderLinesGiveTitleAndArtist) {
    const ParsedLyrics p =
        ParseLyrics("[TI:First]\n[ti:Song]\n[Ar:Singer]\n[al:Album]\n[offset:500]\n[ti:Spaced] \n");
    ASSERT_TRUE(p.artist.has_value());
    EXPECT_EQ("Singer", *p.artist);
    // The last character cut is the blank, so the bracket stays.
    ASSERT_TRUE(p.title.has_value());
    EXPECT_EQ("Spaced]", *p.title);
    EXPECT_TRUE(p.lines.isEmpty());

    const ParsedLyrics none = ParseLyrics("[00:01]x\n");
    EXPECT_FALSE(none.title.has_value());
    EXPECT_FALSE(none.artist.has_value());
}

TEST(Lyrics, PickingLooksAheadFiftyNineSeconds) {
    const LyricLineMap lines{{2, "a"}, {10, "b"}, {69, "c"}, {200, "d"}};
    EXPECT_FALSE(PickLyricLines(lines, 3).has_value());
    auto at2 = PickLyricLines(lines, 2);
    ASSERT_TRUE(at2);
    EXPECT_EQ("a", at2->current);
    EXPECT_EQ("b", at2->next);
    auto at10 = PickLyricLines(lines, 10);
    ASSERT_TRUE(at10);
    EXPECT_EQ("c", at10->next);  // 59 seconds ahead is still found
    auto at69 = PickLyricLines(lines, 69);
    ASSERT_TRUE(at69);
    EXPECT_EQ("", at69->next);  // 131 seconds ahead is not
}

TEST(Lyrics, SiteFilesInGbkAndUtf8WithBomBothDecode) {
    const QString text = U("[ti:月亮代表我的心]\r\n[ar:邓丽君]\r\n[00:15.00]你问我爱你有多深\r\n");
    QStringEncoder toGb("GB18030");
    ASSERT_TRUE(toGb.isValid());
    const QByteArray gbk = toGb.encode(text);
    ASSERT_NE(gbk, text.toUtf8());

    for (const QByteArray& bytes : {gbk, QByteArray("\xEF\xBB\xBF") + text.toUtf8()}) {
        const ParsedLyrics p = ParseLyrics(DecodeLyricsText(bytes));
        EXPECT_EQ(U("月亮代表我的心"), p.title.value_or(""));
        EXPECT_EQ(U("邓丽君"), p.artist.value_or(""));
        EXPECT_EQ(U("你问我爱你有多深"), p.lines.value(15));
    }
}

TEST(Lyrics, NulByteEndsTheText) {
    const QByteArray bytes("[00:01]one\n\0[00:02]two\n", 23);
    const ParsedLyrics p = ParseLyrics(DecodeLyricsText(bytes));
    EXPECT_EQ(LyricLineMap({{1, "one"}}), p.lines);
}

TEST(Lyrics, TagsBeyondTheCountableSecondsAreDropped) {
    // 71582789 minutes are 2^32 + 44 seconds: wrapped round, the line would
    // show at second 44. The largest countable second is kept.
    const ParsedLyrics p = ParseLyrics(
        "[71582789:00.00]wrapped\n"
        "[35791394:08]one past\n"
        "[35791394:07]largest\n"
        "[2147483647:2147483647]both largest\n"
        "[-2147483648:-1]negative\n");
    EXPECT_EQ(LyricLineMap({{INT_MAX, "largest"}}), p.lines);

    const auto atEnd = PickLyricLines(p.lines, INT_MAX);
    ASSERT_TRUE(atEnd);
    EXPECT_EQ("largest", atEnd->current);
    EXPECT_EQ("", atEnd->next);
    const LyricLineMap nearEnd{{INT_MAX - 1, "a"}, {INT_MAX, "b"}};
    EXPECT_EQ("b", PickLyricLines(nearEnd, INT_MAX - 1)->next);
}
