#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <optional>

#include "base/Global.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TempDir.h"

namespace {

// Sets (or with nullopt removes) an environment variable for one scope.

}  // namespace

TEST(Global, FoldersFollowTheProgramPath) {
    SetWorkFolders("/opt/K/tavimo", true, QString());
    EXPECT_TRUE(WorkFilesBesideProgram());
    EXPECT_EQ("/opt/K/", WorkFolder());
    EXPECT_EQ("/opt/K/temp/", TempFolder());
    EXPECT_EQ("/opt/K/tavimo.ini", SettingsListPath());
    SetWorkFolders("/K/tavimo.exe", true, QString());
    EXPECT_EQ("/K/tavimo.ini", SettingsListPath());
}

TEST(Global, AnInstalledProgramKeepsItsWorkFilesInTheDataFolder) {
    SetWorkFolders("/usr/lib/tavimo/tavimo", false, "/home/u/.local/share/tavimo/");
    EXPECT_FALSE(WorkFilesBesideProgram());
    // Libraries and blank.html are still looked for beside the program.
    EXPECT_EQ("/usr/lib/tavimo/", WorkFolder());
    EXPECT_EQ("/home/u/.local/share/tavimo/temp/", TempFolder());
    EXPECT_EQ("/home/u/.local/share/tavimo/tavimo.ini", SettingsListPath());
}

TEST(Global, TheDataFolderFollowsTheXdgRules) {
    ScopedEnv home("HOME", QByteArray("/home/singer"));
    {
        ScopedEnv unset("XDG_DATA_HOME", std::nullopt);
        EXPECT_EQ("/home/singer/.local/share/tavimo/", UserDataFolder());
    }
    const struct {
        const char* dataHome;
        const char* expected;
    } cases[] = {
        {"/data/u", "/data/u/tavimo/"},
        {"/data/u/", "/data/u/tavimo/"},
        {"", "/home/singer/.local/share/tavimo/"},
        // Relative paths are invalid under the XDG rules and ignored.
        {"relative/share", "/home/singer/.local/share/tavimo/"},
        {"~/share", "/home/singer/.local/share/tavimo/"},
        {"/数据/共享", "/数据/共享/tavimo/"},
    };
    for (const auto& c : cases) {
        ScopedEnv dataHome("XDG_DATA_HOME", QByteArray(c.dataHome));
        EXPECT_EQ(QString::fromUtf8(c.expected), UserDataFolder()) << c.dataHome;
    }
}

TEST(Global, WorkFilesStayBesideAProgramWhoseFolderCanBeWritten) {
    TempDir program;
    EXPECT_TRUE(WorkFilesFitBeside(program.path() + "/"));
    ASSERT_TRUE(QDir(program.path()).mkdir("temp"));
    EXPECT_TRUE(WorkFilesFitBeside(program.path() + "/"));
    ScopedEnv dataHome("XDG_DATA_HOME", QByteArray("/data/u"));
    SetWorkFolders(program.path("tavimo"));
    EXPECT_TRUE(WorkFilesBesideProgram());
    EXPECT_EQ(program.path() + "/temp/", TempFolder());
    EXPECT_EQ(program.path() + "/tavimo.ini", SettingsListPath());
}

TEST(Global, WorkFilesMoveToTheDataFolderWhenTheProgramFolderCannotBeWritten) {
    ScopedEnv dataHome("XDG_DATA_HOME", QByteArray("/data/u"));
    // A folder that does not exist cannot be written either.
    EXPECT_FALSE(WorkFilesFitBeside("/proc/tavimo-test/"));
    EXPECT_FALSE(WorkFilesFitBeside(QString()));

    SmallDisk readOnly(64);
    if (!readOnly.available() || !readOnly.makeReadOnly()) {
        GTEST_SKIP() << "read-only mounts need root and a private mount namespace";
    }
    EXPECT_FALSE(WorkFilesFitBeside(readOnly.path() + "/"));
    SetWorkFolders(readOnly.path("tavimo"));
    EXPECT_FALSE(WorkFilesBesideProgram());
    EXPECT_EQ(readOnly.path() + "/", WorkFolder());
    EXPECT_EQ("/data/u/tavimo/temp/", TempFolder());
    EXPECT_EQ("/data/u/tavimo/tavimo.ini", SettingsListPath());

    // A writable folder whose temp folder cannot be written: the work files
    // would fail there, so they move too.
    TempDir program;
    ASSERT_TRUE(QFile::link(readOnly.path(), program.path("temp")));
    EXPECT_FALSE(WorkFilesFitBeside(program.path() + "/"));
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
