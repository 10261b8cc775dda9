#include <gtest/gtest.h>

#include "app/SettingsList.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TempDir.h"

TEST(SettingsList, LinesComeBackAsTheyWereRead) {
    TempDir dir;
    const QByteArray longLine(200000, 'x');
    const QByteArray original = QByteArray("first\r\n") + QByteArray("\xff\xfe bad utf-8\r\n") +
                                QByteArray("nul\0inside\r\n", 12) + longLine + "\r\n" + "\r\n";
    dir.write("t.ini", original);
    SettingsList list;
    ASSERT_TRUE(list.LoadFromFile(dir.path("t.ini")));
    EXPECT_EQ(5, list.Lines.size());
    EXPECT_EQ(QByteArray("nul\0inside", 10), list.Lines[2]);
    ASSERT_TRUE(list.SaveToFile(dir.path("t.ini")));
    EXPECT_EQ(original, dir.read("t.ini"));
}

TEST(SettingsList, AnyLineBreakSplitsAndTheWriteUsesCrLf) {
    TempDir dir;
    dir.write("t.ini", "a\nb\rc\r\nd");
    SettingsList list;
    ASSERT_TRUE(list.LoadFromFile(dir.path("t.ini")));
    EXPECT_EQ((QList<QByteArray>{"a", "b", "c", "d"}), list.Lines);
    ASSERT_TRUE(list.SaveToFile(dir.path("out.ini")));
    EXPECT_EQ("a\r\nb\r\nc\r\nd\r\n", dir.read("out.ini"));
}

TEST(SettingsList, MissingFileGivesAnEmptyListAndAnEmptyFile) {
    TempDir dir;
    SettingsList list;
    list.Lines = {"stale"};
    EXPECT_FALSE(list.LoadFromFile(dir.path("none.ini")));
    EXPECT_TRUE(list.Lines.isEmpty());
    ASSERT_TRUE(list.SaveToFile(dir.path("none.ini")));
    EXPECT_EQ(QByteArray(), dir.read("none.ini"));
}

TEST(SettingsList, AFullDiskKeepsTheOldFile) {
    SmallDisk disk(64);
    if (!disk.available()) GTEST_SKIP() << kNoSmallDisk;
    const QString path = disk.path("tavimo.ini");
    SettingsList list;
    list.Lines = {"keep"};
    ASSERT_TRUE(list.SaveToFile(path));
    disk.fill();
    list.Lines = {QByteArray(256 * 1024, 'n')};
    EXPECT_FALSE(list.SaveToFile(path));
    SettingsList reread;
    ASSERT_TRUE(reread.LoadFromFile(path));
    EXPECT_EQ(QList<QByteArray>{"keep"}, reread.Lines);
}
