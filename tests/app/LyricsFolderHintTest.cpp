#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetrics>

#include "app/LyricsFolderHint.h"
#include "app/WindowLook.h"

namespace {
const QString kAfter = QStringLiteral("中放入同名的LRC歌词文件，即可动态显示歌词");
}

TEST(LyricsFolderHint, NamesTheTempFolderOnlyWhereItIsNotBesideTheProgram) {
    const QFontMetrics metrics(WindowFont(12));
    EXPECT_EQ("在本软件文件夹temp子目录中放入同名的LRC歌词文件，即可动态显示歌词",
              LyricsFolderHint("/opt/K/temp/", true, "/home/singer", metrics, 501));

    const struct {
        const char* temp;
        const char* home;
        const char* folder;
    } cases[] = {
        {"/home/singer/.local/share/tavimo/temp/", "/home/singer", "~/.local/share/tavimo/temp"},
        {"/home/singer/.local/share/tavimo/temp/", "/home/singer/", "~/.local/share/tavimo/temp"},
        {"/data/u/tavimo/temp/", "/home/singer", "/data/u/tavimo/temp"},
        // Only a whole folder name is the home folder.
        {"/home/singer2/tavimo/temp/", "/home/singer", "/home/singer2/tavimo/temp"},
        {"/tavimo/temp/", "", "/tavimo/temp"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QStringLiteral("在") + QString::fromUtf8(c.folder) + kAfter,
                  LyricsFolderHint(c.temp, false, c.home, metrics, 501))
            << c.temp;
    }
}

TEST(LyricsFolderHint, ALongFolderIsShortenedInItsMiddleToFitTheLine) {
    const QFontMetrics metrics(WindowFont(12));
    const QString temp =
        QStringLiteral("/srv/") + QString(60, u'x') + QStringLiteral("/tavimo/temp/");
    const QString hint = LyricsFolderHint(temp, false, "/home/singer", metrics, 501);
    EXPECT_LE(metrics.horizontalAdvance(hint), 501);
    EXPECT_TRUE(hint.startsWith(QStringLiteral("在/srv/"))) << hint.toStdString();
    EXPECT_TRUE(hint.endsWith(QStringLiteral("/temp") + kAfter)) << hint.toStdString();
    EXPECT_TRUE(hint.contains(QChar(0x2026)));
}
