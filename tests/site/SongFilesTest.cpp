// The demo songs the build made for the stand-in site, read by other
// programs: ffprobe and ffmpeg for the sound, iconv for GBK lyrics.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cmath>
#include <fstream>
#include <optional>
#include <regex>
#include <set>

#include "site/catalogue/SongCatalogue.h"
#include "tests/site/SiteProcess.h"

namespace {

// `bytes` in UTF-8 from `charset`; nothing when they are not valid in it.
std::optional<std::string> Convert(const std::string& bytes, const char* charset) {
    iconv_t converter = iconv_open("UTF-8", charset);
    if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out(bytes.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* at = out.data();
    size_t outLeft = out.size();
    const bool ok = iconv(converter, &in, &inLeft, &at, &outLeft) != static_cast<size_t>(-1);
    iconv_close(converter);
    if (!ok) return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

struct Probe {
    std::string codec;
    int sampleRateHz = 0;
    int channels = 0;
    double seconds = 0;
};

Probe ProbeFile(const std::string& path) {
    ProgramResult run =
        RunToEnd("ffprobe", {"-v", "error", "-select_streams", "a:0", "-show_entries",
                             "stream=codec_name,sample_rate,channels:format="
                             "duration",
                             "-of", "default=noprint_wrappers=1", path});
    EXPECT_TRUE(run.finished && run.exitCode == 0) << run.output;
    Probe probe;
    std::smatch m;
    if (std::regex_search(run.output, m, std::regex("codec_name=(\\w+)"))) probe.codec = m[1];
    if (std::regex_search(run.output, m, std::regex("sample_rate=(\\d+)"))) {
        probe.sampleRateHz = std::stoi(m[1]);
    }
    if (std::regex_search(run.output, m, std::regex("channels=(\\d+)"))) {
        probe.channels = std::stoi(m[1]);
    }
    if (std::regex_search(run.output, m, std::regex("duration=([0-9.]+)"))) {
        probe.seconds = std::stod(m[1]);
    }
    return probe;
}

// Mean and peak level in dB of the whole decoded file, by ffmpeg's volumedetect.
std::pair<double, double> Levels(const std::string& path) {
    ProgramResult run = RunToEnd("ffmpeg", {"-hide_banner", "-nostats", "-v", "info", "-i", path,
                                            "-af", "volumedetect", "-f", "null", "-"});
    EXPECT_TRUE(run.finished && run.exitCode == 0) << run.output;
    std::smatch mean, peak;
    if (!std::regex_search(run.output, mean, std::regex("mean_volume: (-?[0-9.]+) dB")) ||
        !std::regex_search(run.output, peak, std::regex("max_volume: (-?[0-9.]+) dB"))) {
        ADD_FAILURE() << run.output;
        return {-999, -999};
    }
    return {std::stod(mean[1]), std::stod(peak[1])};
}

TEST(DemoSongs, TheCatalogueHasMp3AndWmaAndLyricsInUtf8AndGbk) {
    std::set<std::string> formats, charsets;
    const std::vector<CatalogueSong> songs = BuiltSongs();
    EXPECT_GE(songs.size(), 4u);
    for (const CatalogueSong& song : songs) {
        formats.insert(song.file.substr(song.file.rfind('.')));
        charsets.insert(song.lyricsCharset);
        EXPECT_EQ(song.file.substr(0, song.file.rfind('.')), song.name);
        EXPECT_EQ(song.lyricsFile, song.name + ".lrc");
    }
    EXPECT_EQ(formats, (std::set<std::string>{".mp3", ".wma"}));
    EXPECT_EQ(charsets, (std::set<std::string>{"gbk", "utf-8"}));
}

TEST(DemoSongs, EachFileIsStereoMp3OrWmaOfTheListedLength) {
    for (const CatalogueSong& song : BuiltSongs()) {
        const Probe probe = ProbeFile(kSongFolder + "/" + song.file);
        EXPECT_EQ(probe.codec, song.file.ends_with(".wma") ? "wmav2" : "mp3") << song.file;
        EXPECT_EQ(probe.sampleRateHz, 44100) << song.file;
        EXPECT_EQ(probe.channels, 2) << song.file;
        EXPECT_NEAR(probe.seconds, song.seconds, 0.1) << song.file;
        EXPECT_GE(probe.seconds, 20) << song.file;
        EXPECT_LE(probe.seconds, 40) << song.file;
    }
}

TEST(DemoSongs, EachFileSoundsAtAFullLevelWithoutClipping) {
    for (const CatalogueSong& song : BuiltSongs()) {
        const auto [mean, peak] = Levels(kSongFolder + "/" + song.file);
        EXPECT_GT(mean, -30) << song.file;
        EXPECT_GT(peak, -6) << song.file;
        EXPECT_LT(peak, 0) << song.file;
    }
}

TEST(DemoSongs, LyricsDecodeInTheirCharsetAndTheirTimesRiseWithinTheSong) {
    const std::regex timed("^\\[(\\d\\d):(\\d\\d)\\.(\\d\\d)\\](.+)$");
    for (const CatalogueSong& song : BuiltSongs()) {
        const std::string bytes = FileBytes(kSongFolder + "/" + song.lyricsFile);
        ASSERT_FALSE(bytes.empty()) << song.lyricsFile;
        std::optional<std::string> text;
        if (song.lyricsCharset == "gbk") {
            // Really GBK: not readable as UTF-8, read as GB18030 as the program does.
            EXPECT_FALSE(Convert(bytes, "UTF-8")) << song.lyricsFile;
            text = Convert(bytes, "GB18030");
        } else {
            text = Convert(bytes, "UTF-8");
            if (text && text->starts_with("\xEF\xBB\xBF")) text->erase(0, 3);
        }
        ASSERT_TRUE(text) << song.lyricsFile;

        std::vector<std::string> lines;
        std::istringstream in(*text);
        for (std::string line; std::getline(in, line);) {
            EXPECT_TRUE(line.ends_with("\r")) << song.lyricsFile << ": lines end with CR LF";
            if (line.ends_with("\r")) line.pop_back();
            lines.push_back(line);
        }
        const std::string title = song.title.substr(0, song.title.find(" ("));
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], "[ti:" + title + "]") << song.lyricsFile;

        double last = 0;
        int timedLines = 0;
        for (const std::string& line : lines) {
            std::smatch m;
            if (!std::regex_match(line, m, timed)) continue;
            const double at = std::stoi(m[1]) * 60 + std::stoi(m[2]) + std::stoi(m[3]) / 100.0;
            EXPECT_GT(at, last) << song.lyricsFile << ": " << line;
            last = at;
            ++timedLines;
        }
        EXPECT_GE(timedLines, 4) << song.lyricsFile;
        EXPECT_GE(last, song.seconds / 2) << song.lyricsFile;
        // The last line is sung with a few seconds of the song still to come.
        EXPECT_LT(last, song.seconds - 3) << song.lyricsFile;
    }
}

}  // namespace
