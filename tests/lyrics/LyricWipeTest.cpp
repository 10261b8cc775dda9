// Word times and the wipe through a line: even for a plain line, word by
// word for a line with word times, at most 0.6 s a character, no wipe where
// the times cannot be followed; the count-in's dots; long and broken lines.
#include <gtest/gtest.h>

#include "lyrics/Lyrics.h"
#include "lyrics/LyricWipe.h"
#include "lyrics/WordTags.h"

TEST(WordTags, TagsComeOutOfTheTextAndGiveTheWordsTimes) {
    const WordTimedText words = ParseWordTags("<00:12.00>Hel<00:12.50>lo <00:13.1>world<00:14.00>");
    EXPECT_EQ("Hello world", words.text);
    ASSERT_EQ(3, words.words.size());
    EXPECT_EQ(0, words.words[0].at);
    EXPECT_EQ(12000, words.words[0].ms);
    EXPECT_EQ(3, words.words[1].at);
    EXPECT_EQ(12500, words.words[1].ms);
    EXPECT_EQ(6, words.words[2].at);
    EXPECT_EQ(13100, words.words[2].ms);
    EXPECT_EQ(14000, words.endMs);
    EXPECT_TRUE(words.inOrder);
    // What only looks like a tag stays text; times that go back are kept out
    // of the text but stop the wipe.
    EXPECT_EQ("a<3>b<x:1>c<", ParseWordTags("a<3>b<x:1>c<").text);
    EXPECT_TRUE(ParseWordTags("a<3>b").words.isEmpty());
    const WordTimedText backwards = ParseWordTags("<00:05.00>a<00:04.00>b");
    EXPECT_EQ("ab", backwards.text);
    EXPECT_FALSE(backwards.inOrder);
}

TEST(LyricWipe, APlainLineFillsEvenlyToTheNextLineAtMostSixTenthsASecondACharacter) {
    const ParsedLyrics p = ParseLyrics("[00:10.50]abcdefghij\n[00:14.50]next\n[00:20]end\n");
    const LineTiming first = p.timing.value(10);
    EXPECT_EQ(10500, first.startMs);
    EXPECT_EQ(10, first.characters);
    EXPECT_EQ(0, *FilledCharacters(first, 14500, 10000));  // shown early, not yet sung
    EXPECT_DOUBLE_EQ(5, *FilledCharacters(first, 14500, 12500));
    EXPECT_DOUBLE_EQ(10, *FilledCharacters(first, 14500, 16000));
    // Six seconds for four characters: the pace caps at 0.6 s each.
    const LineTiming next = p.timing.value(14);
    EXPECT_DOUBLE_EQ(2, *FilledCharacters(next, 20000, 14500 + 1200));
    EXPECT_DOUBLE_EQ(4, *FilledCharacters(next, 20000, 14500 + 2400));
    // The last line, with nothing after it, at the same pace.
    EXPECT_DOUBLE_EQ(1.5, *FilledCharacters(p.timing.value(20), -1, 20900));
}

TEST(LyricWipe, ALineWithWordTimesFillsWordByWord) {
    const ParsedLyrics p =
        ParseLyrics("[00:12.00]<00:12.00>Hel<00:12.60>lo <00:15.00>world<00:16.00>\n[00:20]x\n");
    const QString shown = p.lines.value(12);
    EXPECT_EQ("Hello world", shown);
    const LineTiming line = p.timing.value(12);
    EXPECT_DOUBLE_EQ(1.5, *FilledCharacters(line, 20000, 12300));  // "Hel" in 0.6 s
    EXPECT_DOUBLE_EQ(3, *FilledCharacters(line, 20000, 12600));
    EXPECT_DOUBLE_EQ(6, *FilledCharacters(line, 20000, 14400));  // "lo " capped at 1.8 s
    EXPECT_DOUBLE_EQ(6, *FilledCharacters(line, 20000, 14900));
    EXPECT_DOUBLE_EQ(8.5, *FilledCharacters(line, 20000, 15500));  // "world" until its end tag
    EXPECT_DOUBLE_EQ(11, *FilledCharacters(line, 20000, 17000));
    // Word times that go back: the line is shown, without a wipe.
    const ParsedLyrics broken = ParseLyrics("[00:05]<00:05.00>a<00:04.00>b\n");
    EXPECT_EQ("ab", broken.lines.value(5));
    EXPECT_FALSE(FilledCharacters(broken.timing.value(5), -1, 5500));
}

TEST(LyricWipe, TheCountInShowsThreeDotsBeforeALateFirstLine) {
    EXPECT_EQ(0, CountInDots(8000, 4999));
    EXPECT_EQ(3, CountInDots(8000, 5000));
    EXPECT_EQ(2, CountInDots(8000, 6000));
    EXPECT_EQ(1, CountInDots(8000, 7999));
    EXPECT_EQ(0, CountInDots(8000, 8000));
    EXPECT_EQ(0, CountInDots(2999, 100));  // less than 3 s in: no count-in
}

TEST(LyricWipe, HugeLinesParseAndWipeAtOnce) {
    const QString long10k = "[00:01]" + QString(10000, u'啊') + "\n";
    const ParsedLyrics ten = ParseLyrics(long10k);
    EXPECT_EQ(10000, ten.timing.value(1).characters);
    EXPECT_DOUBLE_EQ(1000, *FilledCharacters(ten.timing.value(1), -1, 1000 + 600000));
    // A mebibyte in one line, word tags all through it.
    QString mebibyte = "[00:02]";
    for (int ms = 2000; mebibyte.size() < (1 << 20); ms += 10)
        mebibyte += QString::asprintf("<%02d:%02d.%02d>w", ms / 60000, ms / 1000 % 60, ms / 10 % 100);
    const ParsedLyrics one = ParseLyrics(mebibyte);
    ASSERT_EQ(1, one.timing.size());
    EXPECT_TRUE(FilledCharacters(one.timing.first(), -1, 30000).has_value());
}
