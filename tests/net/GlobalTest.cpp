#include <gtest/gtest.h>

#include "net/Global.h"

TEST(Global, FoldersFollowTheProgramPath) {
    SetWorkFolders("/opt/K/tavimo");
    EXPECT_EQ("/opt/K/", WorkFolder());
    EXPECT_EQ("/opt/K/temp/", TempFolder());
    EXPECT_EQ("/opt/K/tavimo.ini", SettingsListPath());
    SetWorkFolders("/K/tavimo.exe");
    EXPECT_EQ("/K/tavimo.ini", SettingsListPath());
}

TEST(Global, StripFileExt) {
    const struct {
        const char* path;
        const char* expected;
    } cases[] = {
        {"my.song.mp3", "my.song"},
        {".wav", ".wav"},
        {"/a/dir.old/song", "song"},
        {"/a/b/Song.MP3", "Song"},
        {"C:\\K\\x.wma", "x"},
        {"C:song.mp3", "song"},
        {"", ""},
        {"/music/", ""},
        {"song.", "song"},
        {"a/..b", "."},
        {"/m/歌曲.mp3", "歌曲"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QString::fromUtf8(c.expected), StripFileExt(QString::fromUtf8(c.path))) << c.path;
}

TEST(Global, LowerFileExt) {
    const struct {
        const char* path;
        const char* expected;
    } cases[] = {
        {"Song.MP3", "mp3"}, {"/a/SONG.Mp3 ", "mp3"}, {"x.wma\t\r\n", "wma"},
        {"song", ""},        {"/dir.old/song", ""},   {"/tmp/.mp3", "mp3"},
        {"a.b.WAV", "wav"},  {"song.", ""},           {"get.mp3?id=1", "mp3?id=1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QString::fromUtf8(c.expected), LowerFileExt(QString::fromUtf8(c.path))) << c.path;
}

TEST(Global, TrimControlsAndFileNamePart) {
    EXPECT_EQ("a b", TrimControls(QString::fromUtf8("\x01 \ta b\r\n ")));
    EXPECT_EQ("", TrimControls("  \n"));
    EXPECT_EQ("abc.mp3", FileNamePart("/tmp/x/abc.mp3"));
    EXPECT_EQ("abc.mp3", FileNamePart("C:\\temp\\abc.mp3"));
    EXPECT_EQ("", FileNamePart("/tmp/"));
}
