// The WAV player on the test sound server: what it plays is recorded from the
// monitor of the default sink (tavimo_speakers) and told apart by its tones.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "platform/WavPlayer.h"
#include "tests/support/ClickTrack.h"
#include "tests/support/SessionSound.h"
#include "tests/support/SinkMonitor.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFiles.h"


namespace {

constexpr int kRate = 44100;
constexpr double kToneA = 440;  // the first 0.8 s of the test song
constexpr double kToneB = 880;  // the rest
constexpr int kWindowSamples = kRate / 10;

double Power(const int16_t* samples, int count, double frequency) {
    const double coeff = 2 * std::cos(2 * std::numbers::pi * frequency / kRate);
    double s1 = 0, s2 = 0;
    for (int i = 0; i < count; ++i) {
        const double s0 = samples[i] + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return s1 * s1 + s2 * s2 - coeff * s1 * s2;
}

// What each 100 ms of the recording holds: 'S' silence, 'A' or 'B' one of
// the two tones, '?' a mixture (a window where the sound changed).
std::string Windows(const std::vector<int16_t>& samples) {
    std::string out;
    for (size_t start = 0; start + kWindowSamples <= samples.size(); start += kWindowSamples) {
        const int16_t* w = samples.data() + start;
        double energy = 0;
        for (int i = 0; i < kWindowSamples; ++i) energy += static_cast<double>(w[i]) * w[i];
        if (std::sqrt(energy / kWindowSamples) < 300) {
            out += 'S';
            continue;
        }
        const double a = Power(w, kWindowSamples, kToneA);
        const double b = Power(w, kWindowSamples, kToneB);
        out += a > 4 * b ? 'A' : b > 4 * a ? 'B' : '?';
    }
    return out;
}

// The order of the sounds: runs of at least `minimum` windows, equal
// neighbours merged.
std::string Runs(const std::string& windows, size_t minimum = 2) {
    std::string out;
    for (size_t i = 0; i < windows.size();) {
        size_t j = i;
        while (j < windows.size() && windows[j] == windows[i]) ++j;
        if (j - i >= minimum && windows[i] != '?' && (out.empty() || out.back() != windows[i]))
            out += windows[i];
        i = j;
    }
    return out;
}

// Stereo song: tone A for 0.8 s, then tone B.
QString WriteSong(const TempDir& dir, double seconds = 6) {
    std::vector<int16_t> samples = SineSamples(kToneA, 0.8, kRate, 2);
    const std::vector<int16_t> rest = SineSamples(kToneB, seconds - 0.8, kRate, 2);
    samples.insert(samples.end(), rest.begin(), rest.end());
    const QString path = dir.path("song.wav");
    WriteWavFile(path, 2, kRate, samples);
    return path;
}

// A player as the program makes it, on a connection of its own to the test server.
std::unique_ptr<platform::WavPlayer> NewPlayer() { return SessionSound().player(); }

// Opens `path` in the player and starts it.
void PlayFile(platform::WavPlayer& player, const QString& path) {
    player.setFileName(path);
    ASSERT_TRUE(player.open());
    ASSERT_TRUE(player.play());
}

std::string ErrorOf(const std::function<Status()>& operation) {
    const Status outcome = operation();
    return outcome ? "(no error)" : outcome.failure().text.toStdString();
}

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

}  // namespace

TEST(WavPlayer, PlayRestartsStopSilencesCloseReleases) {
    TempDir dir;
    SinkMonitor monitor(dir.path("monitor.raw"));
    ASSERT_TRUE(monitor.started());
    const auto owner = NewPlayer();
    platform::WavPlayer& player = *owner;
    player.setFileName(WriteSong(dir));
    EXPECT_EQ(dir.path("song.wav"), player.fileName());

    ASSERT_TRUE(player.open());
    EXPECT_TRUE(player.isOpen());
    EXPECT_FALSE(player.isPlaying());
    ASSERT_TRUE(player.play());
    EXPECT_TRUE(player.isPlaying());
    QTest::qWait(1500);
    ASSERT_TRUE(player.play());  // from the beginning again
    QTest::qWait(1500);
    ASSERT_TRUE(player.stop());
    EXPECT_TRUE(player.isOpen());
    EXPECT_FALSE(player.isPlaying());
    QTest::qWait(1000);
    ASSERT_TRUE(player.play());  // still open after stop
    QTest::qWait(500);
    player.close();
    EXPECT_FALSE(player.isOpen());
    EXPECT_FALSE(player.isPlaying());
    QTest::qWait(1000);

    const std::string windows = Windows(monitor.finish());
    EXPECT_EQ("SABABSAS", Runs(windows)) << windows;
    EXPECT_EQ(platform::kNoFileOpenText, ErrorOf([&] { return player.play(); }));
}

TEST(WavPlayer, PlaybackEndsByItselfAndPlaysAgain) {
    TempDir dir;
    SinkMonitor monitor(dir.path("monitor.raw"));
    ASSERT_TRUE(monitor.started());
    const auto owner = NewPlayer();
    platform::WavPlayer& player = *owner;
    PlayFile(player, WriteSong(dir, 1.2));
    QElapsedTimer waited;
    waited.start();
    while (player.isPlaying() && waited.elapsed() < 5000) QTest::qWait(50);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_TRUE(player.isOpen());
    QTest::qWait(500);
    ASSERT_TRUE(player.play());
    QTest::qWait(1800);
    const std::string windows = Windows(monitor.finish());
    EXPECT_EQ("SABSABS", Runs(windows)) << windows;
}

TEST(WavPlayer, PlaysAtTheFilesOwnRateAndChannelCount) {
    TempDir dir;
    SinkMonitor monitor(dir.path("monitor.raw"));
    ASSERT_TRUE(monitor.started());
    struct Case {
        int channels, sampleRate;
    };
    for (const Case c : {Case{1, 22050}, Case{2, 48000}, Case{1, 8000}}) {
        // Played at any other rate, tone A would come out as another tone.
        const QString path = dir.path(QStringLiteral("tone%1.wav").arg(c.sampleRate));
        WriteWavFile(path, c.channels, c.sampleRate,
                     SineSamples(kToneA, 0.6, c.sampleRate, c.channels));
        const auto owner = NewPlayer();
    platform::WavPlayer& player = *owner;
        PlayFile(player, path);
        QTest::qWait(1000);
    }
    const std::string windows = Windows(monitor.finish());
    EXPECT_EQ("SASASAS", Runs(windows)) << windows;
}

TEST(WavPlayer, PlaysOnWhileTheUiThreadIsBusy) {
    TempDir dir;
    SinkMonitor monitor(dir.path("monitor.raw"));
    ASSERT_TRUE(monitor.started());
    const auto owner = NewPlayer();
    platform::WavPlayer& player = *owner;
    const QString path = dir.path("a.wav");
    WriteWavFile(path, 1, kRate, SineSamples(kToneA, 4, kRate, 1));
    PlayFile(player, path);
    QTest::qWait(300);
    // No events for the UI thread for a while, as during a long mixdown.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    QTest::qWait(300);
    player.close();
    QTest::qWait(500);
    const std::string windows = Windows(monitor.finish());
    // One unbroken tone from play to close: nothing starved the device.
    EXPECT_EQ("SAS", Runs(windows, 1)) << windows;
}

TEST(WavPlayer, DestroyingThePlayerEndsPlayback) {
    TempDir dir;
    SinkMonitor monitor(dir.path("monitor.raw"));
    ASSERT_TRUE(monitor.started());
    {
        const auto owner = NewPlayer();
    platform::WavPlayer& player = *owner;
        PlayFile(player, WriteSong(dir));
        QTest::qWait(500);
    }
    QTest::qWait(800);
    const std::string windows = Windows(monitor.finish());
    EXPECT_EQ("SAS", Runs(windows)) << windows;
}

TEST(WavPlayer, LongFileIsStreamedNotLoaded) {
    TempDir dir;
    const auto owner = NewPlayer();
    platform::WavPlayer& player = *owner;
    // Warm up the sound system so that its own buffers are in the baseline.
    PlayFile(player, WriteSong(dir, 1));
    QTest::qWait(300);
    player.close();

    // 1 GiB of silence (about 100 minutes of stereo), sparse on disk.
    const QString path = dir.path("long.wav");
    WriteWavFile(path, 2, kRate, {});
    QFile(path).resize(qint64{1} << 30);
    const long before = ResidentKb();
    PlayFile(player, path);
    QTest::qWait(1500);
    EXPECT_TRUE(player.isPlaying());
    const long grownKb = ResidentKb() - before;
    player.close();
    EXPECT_LT(grownKb, 32 * 1024) << "resident memory grew by " << grownKb << " KiB";
}

TEST(WavPlayerErrors, PlayAndStopNeedAnOpenFile) {
    const auto owner = NewPlayer();
    platform::WavPlayer& player = *owner;
    EXPECT_EQ("No MCI device open", ErrorOf([&] { return player.play(); }));
    EXPECT_EQ("No MCI device open", ErrorOf([&] { return player.stop(); }));
    EXPECT_NO_THROW(player.close());
    EXPECT_FALSE(player.isOpen());
}

TEST(WavPlayerErrors, OpenRefusesWhatItCannotPlay) {
    TempDir dir;
    const QString good = WriteSong(dir, 1);
    auto headerWith = [&](const char* name, int offset, int width, uint32_t value) {
        QByteArray bytes = dir.read("song.wav");
        for (int i = 0; i < width; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
        return dir.write(name, bytes);
    };
    struct Case {
        QString path;
        std::string start;
    };
    const Case cases[] = {
        {dir.path("missing.wav"), "Cannot open the file \"" + dir.file("missing.wav") + "\": "},
        {dir.write("short.wav", QByteArray(43, 'x')),
         "The file \"" + dir.file("short.wav") + "\" is not a WAV file: it has 43 bytes"},
        {headerWith("nochannels.wav", 22, 2, 0),
         "The file \"" + dir.file("nochannels.wav") + "\" has no playable format: 0 channels"},
        {headerWith("norate.wav", 24, 4, 0),
         "The file \"" + dir.file("norate.wav") + "\" has no playable format: 2 channels, 0 Hz"},
        {headerWith("nobits.wav", 34, 2, 0),
         "The file \"" + dir.file("nobits.wav") +
             "\" has no playable format: 2 channels, 44100 Hz, 0 bits"},
        {headerWith("8bit.wav", 34, 2, 8),
         "The file \"" + dir.file("8bit.wav") + "\" cannot be played: only 16-bit PCM"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const auto owner = NewPlayer();
    platform::WavPlayer& player = *owner;
        player.setFileName(good);
        ASSERT_TRUE(player.open());
        player.setFileName(c.path);
        const std::string error = ErrorOf([&] { return player.open(); });
        EXPECT_EQ(0u, error.rfind(c.start, 0)) << error;
        // The file that was open before is closed all the same.
        EXPECT_FALSE(player.isOpen());
        EXPECT_EQ("No MCI device open", ErrorOf([&] { return player.play(); }));
    }
    EXPECT_NE(std::string::npos, ErrorOf([&] {
                                     const auto owner = NewPlayer();
    platform::WavPlayer& player = *owner;
                                     player.setFileName(dir.path("missing.wav"));
                                     return player.open();
                                 }).find("No such file or directory"));
}

TEST(WavPlayer, PlaysToTheLastSampleBeforeItCountsAsEnded) {
    TempDir dir;
    SinkMonitor monitor(dir.path("monitor.raw"));
    ASSERT_TRUE(monitor.started());
    // Noise that no stretch of silence or tone resembles, so its end is found;
    // kept below 5 kHz, so that resampling leaves it recognisable.
    std::vector<int16_t> noise(size_t(kRate) * 2 * 3 / 4);  // 0.75 s of stereo
    uint32_t state = 12345;
    int window[8] = {};
    int sum = 0;
    for (size_t i = 0; i < noise.size(); i += 2) {
        state = state * 1103515245u + 12345u;
        const int fresh = static_cast<int>(state >> 16 & 0x7fff) - 0x4000;
        sum += fresh - window[(i / 2) % 8];
        window[(i / 2) % 8] = fresh;
        noise[i] = noise[i + 1] = static_cast<int16_t>(sum / 4);
    }
    WriteWavFile(dir.path("noise.wav"), 2, kRate, noise);
    const auto owner = NewPlayer();
    platform::WavPlayer& player = *owner;
    PlayFile(player, dir.path("noise.wav"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !player.isPlaying(); }, 5000));
    // Ended means heard: closing now cuts nothing off.
    player.close();
    QTest::qWait(300);
    const std::vector<int16_t> heard = monitor.finish();

    // The file's last 100 ms are in what the speakers played, up to their
    // last sample (a graph at another rate resamples them: they are matched
    // by correlation, near where the loud sound ends).
    const std::vector<int16_t> mono = Channel(noise, 2, 0);
    const std::vector<int16_t> tail(mono.end() - kRate / 10, mono.end());
    const auto lastLoud = std::find_if(heard.rbegin(), heard.rend(),
                                       [](int16_t sample) { return std::abs(sample) > 4000; });
    ASSERT_NE(heard.rend(), lastLoud) << "nothing was heard";
    const auto end = static_cast<int64_t>(heard.rend() - lastLoud);
    double best = 0;
    for (int64_t at = std::max<int64_t>(0, end - int64_t(tail.size()) - kRate / 50);
         at <= end - int64_t(tail.size()) + kRate / 50 && at + int64_t(tail.size()) <= int64_t(heard.size());
         ++at) {
        double dot = 0, a = 0, b = 0;
        for (size_t i = 0; i < tail.size(); ++i) {
            const double x = tail[i], y = heard[size_t(at) + i];
            dot += x * y;
            a += x * x;
            b += y * y;
        }
        if (a > 0 && b > 0) best = std::max(best, dot / std::sqrt(a * b));
    }
    EXPECT_GT(best, 0.95) << "the end of the file was not heard";
}

TEST(WavPlayer, TellsWhenItsFirstSampleWasHeard) {
    TempDir dir;
    const auto owner = NewPlayer();
    platform::WavPlayer& player = *owner;
    player.setFileName(WriteSong(dir, 2));
    ASSERT_TRUE(player.open());
    EXPECT_FALSE(player.firstSampleHeardAt());
    const platform::SoundTime played = platform::SoundClock::now();
    ASSERT_TRUE(player.play());
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.firstSampleHeardAt().has_value(); }, 3000));
    // After the play call, and soon after: the server keeps only a little
    // sound ahead of the speakers.
    const platform::SoundTime heard = *player.firstSampleHeardAt();
    EXPECT_GE(heard, played);
    EXPECT_LT(heard - played, std::chrono::seconds(3));
    ASSERT_TRUE(player.stop());
    EXPECT_FALSE(player.firstSampleHeardAt());
}

TEST(WavPlayer, AStarvedStreamSkipsWhatItMissedAndKeepsItsTime) {
    TempDir dir;
    SinkMonitor monitor(dir.path("monitor.raw"));
    ASSERT_TRUE(monitor.started());
    const std::vector<int64_t> clicks = IrregularClicks(4);
    WriteClickTrack(dir.path("clicks.wav"), 1, 4, clicks);
    SessionSound sound;
    const auto owner = sound.player();
    platform::WavPlayer& player = *owner;
    PlayFile(player, dir.path("clicks.wav"));
    QTest::qWait(1200);
    {
        // The stream's feeder held off for longer than the sound it keeps
        // ahead, as on a machine too busy to serve it.
        sound.holdSoundThread(std::chrono::milliseconds(400));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !player.isPlaying(); }, 6000));
    player.close();
    const std::vector<int16_t> heard = FromFirstSound(monitor.finish());
    // The accompaniment's clock ran on through the gap: every click heard
    // after it sits where the file has it, not late by the gap.
    const std::vector<int64_t> found = FindClicks(heard);
    ASSERT_GE(found.size(), 2u);
    const int64_t shift = found.front() - clicks.front();
    const std::vector<int64_t> offsets = ClickOffsets(found, clicks, shift);
    std::string text;
    for (const int64_t offset : offsets) text += " " + std::to_string(offset);
    std::printf("clicks heard %zu of %zu, offsets (frames):%s\n", found.size(), clicks.size(), text.c_str());
    EXPECT_GE(found.size(), clicks.size() * 2 / 3) << text;
    for (const int64_t offset : offsets) EXPECT_LE(std::abs(offset), kClickRate / 1000) << text;
}

TEST(WavPlayer, AFileShorterThanWhatIsKeptAheadPlaysAndEnds) {
    TempDir dir;
    SinkMonitor monitor(dir.path("monitor.raw"));
    ASSERT_TRUE(monitor.started());
    WriteWavFile(dir.path("short.wav"), 1, kRate, SineSamples(kToneA, 0.05, kRate, 1));
    const auto owner = NewPlayer();
    platform::WavPlayer& player = *owner;
    PlayFile(player, dir.path("short.wav"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !player.isPlaying(); }, 3000));
    QTest::qWait(200);
    player.close();
    // All 50 ms of it were heard.
    const std::vector<int16_t> heard = FromFirstSound(monitor.finish(), 300);
    size_t loud = 0;
    for (size_t i = 0; i < std::min<size_t>(heard.size(), kRate / 10); ++i)
        if (std::abs(heard[i]) > 300) ++loud;
    EXPECT_GT(loud, size_t(kRate) * 4 / 100 / 2) << loud;
}
