#include <gtest/gtest.h>

#include "audio/Mp3Export.h"

TEST(ProposedMp3FileName, IsTheAccompanimentsNameWithTheSuffix) {
    const struct {
        const char* musicFile;
        const char* expected;
    } cases[] = {
        {"", "_Quaviro录歌制作.mp3"},
        {"Song.mp3", "Song_Quaviro录歌制作.mp3"},
        {"/home/u/music/Song.mp3", "Song_Quaviro录歌制作.mp3"},
        {"/home/u/temp/my.song.wma", "my.song_Quaviro录歌制作.mp3"},
        {"/home/u/dir.old/song", "song_Quaviro录歌制作.mp3"},
        {"/home/u/歌曲/月亮.MP3", "月亮_Quaviro录歌制作.mp3"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QString::fromUtf8(c.expected),
                  ProposedMp3FileName(QString::fromUtf8(c.musicFile)))
            << c.musicFile;
    }
}
