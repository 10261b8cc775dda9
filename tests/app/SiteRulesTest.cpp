// The site half's rules that need no window: song links and their download
// targets, the exit report and its Base64 text, the updater's command line.
#include <gtest/gtest.h>

#include <QDateTime>

#include "app/ExitReport.h"
#include "app/MusicLink.h"
#include "app/UpdaterLaunch.h"
#include "base/CommandLine.h"

TEST(MusicLink, RecognisedByItsFirstSixCharacters) {
    for (const char* link :
         {"music://h.x/get.aspx?id=7&name=abc", "MUSIC://h.x/a?name=X", "Music:x", "music:"}) {
        EXPECT_TRUE(IsMusicLink(QString::fromUtf8(link))) << link;
    }
    for (const char* other :
         {"musicbox://h.x/", "music", "musi:", "", " music:x", "http://h/music:x"}) {
        EXPECT_FALSE(IsMusicLink(QString::fromUtf8(other))) << other;
    }
    EXPECT_EQ("http://h.x/get.aspx?id=7&name=abc",
              MusicFetchAddress("music://h.x/get.aspx?id=7&name=abc"));
    EXPECT_EQ("http://h.x/a?name=X", MusicFetchAddress("MUSIC://h.x/a?name=X"));
}

TEST(MusicLink, DownloadTargets) {
    const QString temp = QStringLiteral("/p/temp/");
    const struct {
        const char* fetch;
        const char* answer;
        const char* target;
    } cases[] = {
        {"http://h.x/get.aspx?id=7&name=abc", "http://h.x/song.mp3", "/p/temp/abc.mp3"},
        {"http://h.x/get.aspx?id=7", "http://h.x/song.mp3", "/p/temp/.mp3"},
        {"http://h.x/get?filename=x&name=y", "http://h.x/a.wma", "/p/temp/x.wma"},
        {"http://h.x/get?name=a#b&c", "http://h.x/a.mp3", "/p/temp/a#b.mp3"},
        {"http://h.x/get?name=abc", "http://h.x/get.mp3?id=1", "/p/temp/abc.mp3?id=1"},
        {"http://h.x/get?name=abc", "http://h.x/song", "/p/temp/abc.x/song"},
        {"http://h.x/get?name=abc", "http://h/song", "/p/temp/abc"},
        {"http://h.x/get?name=abc", "C:\\d.ir\\song", "/p/temp/abc"},
        {"http://h.x/get?name=歌曲", "http://h.x/歌曲.MP3", "/p/temp/歌曲.MP3"},
        // A name from a web page never leads out of the temp folder.
        {"http://h.x/get?name=../x", "http://h.x/a.mp3", "/p/temp/x.mp3"},
        {"http://h.x/get?name=/tmp/x", "http://h.x/a.mp3", "/p/temp/x.mp3"},
        {"http://h.x/get?name=a/b", "http://h.x/a.mp3", "/p/temp/b.mp3"},
        {"http://h.x/get?name=..%2Fx", "http://h.x/a.mp3", "/p/temp/..%2Fx.mp3"},
        {"http://h.x/get?name=..", "http://h.x/a.mp3", "/p/temp/...mp3"},
        {"http://h.x/get?name=..\\x", "http://h.x/a.mp3", "/p/temp/..\\x.mp3"},
        {"http://h.x/get?name=.", "http://h/a.b/../../x", ""},
        {"http://h.x/get?name=", "http://h/a.b/../x", "/p/temp/./x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QString::fromUtf8(c.target), MusicDownloadTarget(temp, QString::fromUtf8(c.fetch),
                                                                   QString::fromUtf8(c.answer)))
            << c.fetch << " -> " << c.answer;
    }
}

TEST(ExitReport, FourLinesWithCrLf) {
    const QDateTime open(QDate(2009, 5, 12), QTime(8, 3, 7));
    const QDateTime close(QDate(2009, 5, 12), QTime(23, 59, 1));
    EXPECT_EQ(QByteArray("hostname=host-01\r\nopentime=2009-05-12 08:03:07\r\n"
                         "closetime=2009-05-12 23:59:01\r\nmusic=abc.mp3\r\n"),
              ExitReportText("host-01", open, close, "/x/temp/abc.mp3"));
    EXPECT_EQ(QByteArray("hostname=\r\nopentime=2009-05-12 08:03:07\r\n"
                         "closetime=2009-05-12 23:59:01\r\nmusic=\r\n"),
              ExitReportText("", open, close, ""));
    EXPECT_EQ(QByteArray("music=歌曲.wma\r\n"),
              ExitReportText("h", open, close, "/音乐/歌曲.wma").split('\n')[3] + '\n');
}

TEST(ExitReport, Base64OfTheReport) {
    const QDateTime open(QDate(2009, 5, 12), QTime(8, 3, 7));
    const QDateTime close(QDate(2009, 5, 12), QTime(8, 9, 10));
    // A ten-character host name: 90 bytes plus the music file's name.
    const QString none = EncodeReportParam(ExitReportText("abcdefghij", open, close, ""));
    EXPECT_EQ(120, none.size());
    EXPECT_FALSE(none.endsWith(u'='));
    const QString four = EncodeReportParam(ExitReportText("abcdefghij", open, close, "/t/a.mp"));
    EXPECT_EQ(128, four.size());
    EXPECT_TRUE(four.endsWith(QLatin1String("==")));
    const QString five = EncodeReportParam(ExitReportText("abcdefghij", open, close, "/t/a.mp3"));
    EXPECT_EQ(128, five.size());
    EXPECT_TRUE(five.endsWith(u'=') && !five.endsWith(QLatin1String("==")));
    EXPECT_EQ(ExitReportText("abcdefghij", open, close, "/t/a.mp3"),
              QByteArray::fromBase64(five.toLatin1()));

    const struct {
        QByteArray bytes;
        const char* base64;
    } cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {QByteArray("\xff\xfe\x80\x00\x01", 5), "//6AAAE="},
        {QByteArray(">>>???"), "Pj4+Pz8/"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QString::fromLatin1(c.base64), EncodeBase64(c.bytes.constData(), c.bytes.size()))
            << c.base64;
    }
    // No line breaks however long.
    const QByteArray long_(3000, 'x');
    EXPECT_EQ(4000, EncodeBase64(long_.constData(), long_.size()).size());
    EXPECT_FALSE(EncodeBase64(long_.constData(), long_.size()).contains(u'\n'));
    EXPECT_FALSE(HostName().contains('\0'));
}

TEST(Updater, CommandLine) {
    const QString line = UpdaterCommandLine("/opt/K K/", "http://127.0.0.1:8479/update", "tavimo");
    EXPECT_EQ("\"/opt/K K/update\" \"http://127.0.0.1:8479/update\" -Otavimo ", line);
    QStringList arguments;
    ASSERT_TRUE(SplitCommandLine(line, arguments));
    EXPECT_EQ((QStringList{"/opt/K K/update", "http://127.0.0.1:8479/update", "-Otavimo"}),
              arguments);
}
