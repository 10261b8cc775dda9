// The lyrics fetched with a song from the site, against the test server:
// what is not lyrics, or too big, is not kept, and never replaces lyrics
// already there. (Lyrics that are there: the site pane's test.)
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "app/SiteLyrics.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestHttpServer.h"

TEST(SiteLyrics, TheirAddressIsTheDownloadsWithTheExtensionReplaced) {
    EXPECT_EQ("http://h/songs/a.lrc", SiteLyricsAddress("http://h/songs/a.mp3"));
    EXPECT_EQ("https://h/x/a.b.lrc", SiteLyricsAddress("https://h/x/a.b.wma?sig=1"));
    EXPECT_EQ("", SiteLyricsAddress("http://h:80/songs/a"));
}

TEST(SiteLyrics, WhatIsNotLyricsOrTooBigIsNotKeptAndReplacesNothing) {
    qunsetenv("http_proxy");
    qunsetenv("HTTP_PROXY");
    TestHttpServer server;
    ASSERT_TRUE(server.started());
    TempDir dir;
    const QString lrc = dir.path("song.lrc");
    // An empty answer, none at all, and an endless one (past the 1 MiB limit).
    for (const char* path : {"/echo.mp3", "/status/404.mp3", "/endless.mp3"}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(FetchSiteLyrics(server.url(path), lrc));
        EXPECT_FALSE(QFile::exists(lrc));
        EXPECT_EQ(1, server.requestsTo(QString(path).replace(".mp3", ".lrc")).size());
    }
    dir.write("song.lrc", "[00:01]the lyrics there\n");
    EXPECT_FALSE(FetchSiteLyrics(server.url("/echo.mp3"), lrc));
    EXPECT_EQ("[00:01]the lyrics there\n", dir.read("song.lrc"));
    EXPECT_EQ(1, QDir(dir.path()).entryList(QDir::Files).size()) << "no half-written file";
}
