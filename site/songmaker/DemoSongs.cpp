#include "site/songmaker/DemoSongs.h"

namespace {

// A children's tune of long standing, in C, with lines of our own.
DemoSong Stars() {
    const Phrase opening{"1 1 5 5 | 6 6 5 -", "1 | 4/1", "晚风轻轻吹过来"};
    const Phrase closing{"4 4 3 3 | 2 2 1 -", "4/1 | 5/1", "星星一颗一颗开"};
    const Phrase middle{"5 5 4 4 | 3 3 2 -", "1/4 | 1/5", ""};
    DemoSong song;
    song.title = "小星星";
    song.name = "xiaoxingxing";
    song.tonicMidi = 72;
    song.beatsPerMinute = 100;
    song.beatsPerBar = 4;
    song.introChords = "1 | 5";
    Phrase third = middle;
    third.lyric = "它们眨着小眼睛";
    Phrase fourth = middle;
    fourth.lyric = "悄悄听我唱起来";
    Phrase last = closing;
    last.lyric = "陪我唱到月儿白";
    song.phrases = {opening, closing, third, fourth, opening, last};
    song.lyricsEncoding = LyricsEncoding::kUtf8;
    song.mp3Id = 1;
    return song;
}

// A round known in many lands, in D, sung through twice.
DemoSong Tigers() {
    DemoSong song;
    song.title = "两只老虎";
    song.name = "liangzhilaohu";
    song.tonicMidi = 74;
    song.beatsPerMinute = 132;
    song.beatsPerBar = 4;
    song.introChords = "1 | 5";
    const std::string first = "1 2 3 1 | 1 2 3 1";
    const std::string second = "3 4 5 - | 3 4 5 -";
    const std::string third = "5_ 6_ 5_ 4_ 3 1 | 5_ 6_ 5_ 4_ 3 1";
    const std::string fourth = "1 5, 1 - | 1 5, 1 -";
    song.phrases = {
        {first, "1 | 1", "小小花猫 小小花猫"},           {second, "1 | 1", "跑得快 跑得快"},
        {third, "1 | 1/5", "一只爱吃小鱼 一只爱睡午觉"}, {fourth, "1/5 | 1", "喵喵喵 喵喵喵"},
        {first, "1 | 1", "小小黄狗 小小黄狗"},           {second, "1 | 1", "跳得高 跳得高"},
        {third, "1 | 1/5", "一只爱啃骨头 一只爱追尾巴"}, {fourth, "1/5 | 1", "汪汪汪 汪汪汪"},
    };
    song.lyricsEncoding = LyricsEncoding::kGbk;
    song.mp3Id = 2;
    return song;
}

// Our own pentatonic tune in F.
DemoSong MorningWind() {
    DemoSong song;
    song.title = "晨风";
    song.name = "chenfeng";
    song.tonicMidi = 65;
    song.beatsPerMinute = 88;
    song.beatsPerBar = 4;
    song.introChords = "1 | 5";
    song.phrases = {
        {"3 5 6 5 | 3 2 1 -", "1/4 | 1", "晨风吹过小山岗"},
        {"2 3 5 3 | 2 1 6, -", "5/1 | 5/6m", "露水闪着点点光"},
        {"1 2 3 5 | 6 5 3 -", "1 | 4/1", "背起书包向前走"},
        {"2 3 2 1 | 6, 2 1 -", "5/1 | 4/1", "一路歌声响四方"},
    };
    song.lyricsEncoding = LyricsEncoding::kUtf8WithBom;
    song.mp3Id = 3;
    song.wmaId = 5;
    return song;
}

// Our own waltz in G.
DemoSong Sunset() {
    DemoSong song;
    song.title = "晚霞";
    song.name = "wanxia";
    song.tonicMidi = 67;
    song.beatsPerMinute = 120;
    song.beatsPerBar = 3;
    song.introChords = "1 | 5";
    song.phrases = {
        {"5 3 5 | 6 5 - | 3 2 1 | 2 - -", "1 | 4 | 1 | 5", "天边飘来一片霞"},
        {"5 3 5 | 6 1' 6 | 5 3 2 | 1 - -", "1 | 4 | 5 | 1", "染红小河染红家"},
        {"6 6 1' | 6 5 3 | 5 6 5 | 3 - -", "4 | 6m | 1 | 1", "牛儿慢慢走回村"},
        {"2 3 5 | 6 5 3 | 2 3 2 | 1 - -", "5 | 6m | 5 | 1", "炊烟升起在树下"},
    };
    song.lyricsEncoding = LyricsEncoding::kGbk;
    song.mp3Id = 4;
    song.wmaId = 6;
    return song;
}

}  // namespace

const std::vector<DemoSong>& DemoSongs() {
    static const std::vector<DemoSong> songs = {Stars(), Tigers(), MorningWind(), Sunset()};
    return songs;
}
