// Lyric files in every encoding they come in, made by iconv from one text
// at test time, and bytes that are no text in any of them.
#include <gtest/gtest.h>

#include <QProcess>

#include "lyrics/Lyrics.h"
#include "lyrics/LyricsEncoding.h"

namespace {

// `text` (UTF-8) in `encoding`, as iconv writes it.
QByteArray Iconv(const QByteArray& text, const char* encoding) {
    QProcess iconv;
    iconv.start("iconv", {"-f", "UTF-8", "-t", encoding});
    iconv.write(text);
    iconv.closeWriteChannel();
    if (!iconv.waitForFinished(10000) || iconv.exitCode() != 0) return QByteArray();
    return iconv.readAllStandardOutput();
}

// Traditional characters, as a Taiwanese song file has them.
const QByteArray kTraditional =
    "[ti:月亮代表我的心]\n[ar:鄧麗君]\n[00:15.00]你問我愛你有多深\n"
    "[00:22.00]我愛你有幾分\n[00:29.00]我的情也真 我的愛也真\n";
// Simplified, with a character GBK does not have (four bytes in GB18030).
const QByteArray kSimplified = "[ar:歌手]\n[00:05.00]你问我爱你有多深𠀀\n[00:09]月亮代表我的心\n";

}  // namespace

TEST(LyricsEncoding, EveryEncodingALyricFileComesInReadsRight) {
    struct Case {
        const char* iconvName;
        QByteArray mark;
        QByteArray text;
        QByteArray detected;
    };
    const Case cases[] = {
        {"UTF-8", "", kSimplified, "UTF-8"},
        {"UTF-8", "\xEF\xBB\xBF", kTraditional, "UTF-8"},
        {"UTF-16LE", "\xFF\xFE", kTraditional, "UTF-16LE"},
        {"UTF-16BE", "\xFE\xFF", kSimplified, "UTF-16BE"},
        {"GB18030", "", kSimplified, "GB18030"},
        {"GBK", "", "[ar:歌手]\n[00:05.00]你问我爱你有多深\n", "GB18030"},
        {"BIG5", "", kTraditional, "Big5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.iconvName) + (c.mark.isEmpty() ? "" : " with its mark"));
        const QByteArray encoded = Iconv(c.text, c.iconvName);
        ASSERT_FALSE(encoded.isEmpty());
        const QByteArray file = c.mark + encoded;
        EXPECT_EQ(c.detected, LyricsEncoding(file));
        const ParsedLyrics wanted = ParseLyrics(QString::fromUtf8(c.text));
        const ParsedLyrics read = ParseLyrics(DecodeLyricsText(file));
        EXPECT_EQ(wanted.lines, read.lines);
        EXPECT_EQ(wanted.artist, read.artist);
    }
}

TEST(LyricsEncoding, ABig5TextThatIsAlsoValidGbkIsReadAsBig5) {
    // Characters whose Big5 codes all lie where GBK has characters too.
    const QByteArray traditional = "[ti:聽說愛情還是夢]\n[00:15.00]聽說愛情還是夢\n[00:22.00]還說愛情夢\n";
    const QByteArray big5 = Iconv(traditional, "BIG5");
    // The same bytes make GBK text too, of other characters.
    QProcess check;
    check.start("iconv", {"-f", "GBK", "-t", "UTF-8"});
    check.write(big5);
    check.closeWriteChannel();
    ASSERT_TRUE(check.waitForFinished(10000));
    ASSERT_EQ(0, check.exitCode()) << "the sample is not valid GBK as well";
    ASSERT_NE(traditional, check.readAllStandardOutput());
    EXPECT_EQ(QString::fromUtf8("聽說愛情還是夢"), ParseLyrics(DecodeLyricsText(big5)).lines.value(15));
}

TEST(LyricsEncoding, BytesThatAreTextInNoEncodingGiveAClearResult) {
    // Neither UTF-8, nor UTF-16 (no mark), nor valid GB18030 or Big5.
    QByteArray noise;
    for (int i = 0; i < 4096; ++i) noise += char(0x80 + (i * 37) % 0x7F);
    noise += "\n[00:03]";
    const QString text = DecodeLyricsText(noise);
    EXPECT_EQ("GB18030", LyricsEncoding(noise));
    ParseLyrics(text);  // no hang, no crash: what it gives is whatever decodes
    // A mark alone, or nothing.
    EXPECT_EQ("", DecodeLyricsText("\xFF\xFE"));
    EXPECT_EQ("", DecodeLyricsText(QByteArray()));
}
