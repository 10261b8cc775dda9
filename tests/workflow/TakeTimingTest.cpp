// Takes on the real main window over an accompaniment of irregular clicks,
// sung by a microphone that hears the speakers: record.wav must carry every
// click where bgsound.wav has it (the voice in time with what the singer
// heard), keep everything up to the second press, and survive the sound
// server going away.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "app/TFormMain.h"
#include "controls/TCGauge.h"
#include "controls/TEzRgnBtn.h"
#include "platform/PulseServer.h"
#include "platform/PulseWavPlayer.h"
#include "tests/support/ClickTrack.h"
#include "tests/support/LoopbackMicrophone.h"
#include "tests/support/PrivateSoundServer.h"
#include "tests/support/RecordedMessages.h"
#include "tests/support/SessionSound.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFiles.h"

namespace {

using Clock = platform::SoundClock;
// Longer than any take here: the take's clock ends the accompaniment by its
// own count from the click, and on the test's null sink the first sample can
// be heard up to two seconds after the click (the sink had been running that
// far ahead for the monitor's readers).
constexpr double kSongSeconds = 12;
constexpr int64_t kAlignedFrames = kClickRate * 5 / 1000;  // 5 ms
constexpr int64_t kDriftFrames = kClickRate / 1000;        // 1 ms
constexpr double kLostMs = 30;                             // one block

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// What one take left in record.wav, against what was played and when.
struct TakeResult {
    // Clicks that must be found (wholly inside, with room for a shift of
    // up to `uncertain` frames), and that may be found (any part inside).
    size_t clicksExpected = 0;
    size_t clicksPossible = 0;
    std::vector<int64_t> offsets;  // frames, of each click found
    double missingMs = 0;          // at the end; negative: more than expected
    bool valid = false;

    int64_t worst() const {
        int64_t worst = 0;
        for (const int64_t o : offsets) worst = std::max(worst, std::abs(o));
        return worst;
    }
    int64_t spread() const {
        if (offsets.empty()) return 0;
        const auto [low, high] = std::minmax_element(offsets.begin(), offsets.end());
        return *high - *low;
    }
};

std::string Describe(const TakeResult& take) {
    std::string text = "clicks " + std::to_string(take.offsets.size()) + " of " +
                       std::to_string(take.clicksExpected) + " to " +
                       std::to_string(take.clicksPossible) + ", offsets (frames):";
    for (const int64_t o : take.offsets) text += " " + std::to_string(o);
    return text + ", missing at the end " + std::to_string(take.missingMs) + " ms";
}

// record.wav against `clicks` shifted by `shift` frames, give or take
// `uncertain`; it should last from `voiceStart` to `stoppedAt`.
TakeResult Measure(const QString& recordPath, const std::vector<int64_t>& clicks, int64_t shift,
                   Clock::time_point voiceStart, Clock::time_point stoppedAt,
                   int64_t uncertain = kAlignedFrames) {
    TakeResult take;
    const WavContents voice = ReadWavFile(recordPath);
    take.valid = voice.ok && voice.header.dataSize == voice.fileBytes - 44 &&
                 voice.header.riffSize == voice.fileBytes - 8 && voice.header.channels == 1;
    const auto frames = static_cast<int64_t>(voice.samples.size());
    for (const int64_t click : clicks) {
        const int64_t at = click + shift;
        if (at >= uncertain && at + kClickFrames + uncertain < frames) ++take.clicksExpected;
        if (at + kClickFrames + uncertain > 0 && at - uncertain < frames) ++take.clicksPossible;
    }
    // A click that began before the take is only partly in it: not counted.
    std::vector<int64_t> found = FindClicks(voice.samples);
    std::erase_if(found, [](int64_t at) { return at < kClickFrames; });
    take.offsets = ClickOffsets(found, clicks, shift);
    take.missingMs = Ms(stoppedAt - voiceStart) - 1000.0 * static_cast<double>(frames) / kClickRate;
    return take;
}

void ExpectInTime(const TakeResult& take, const std::string& what) {
    EXPECT_TRUE(take.valid) << what;
    EXPECT_GE(take.clicksExpected, 2u) << what << ": " << Describe(take);
    EXPECT_GE(take.offsets.size(), take.clicksExpected) << what << ": " << Describe(take);
    EXPECT_LE(take.offsets.size(), take.clicksPossible) << what << ": " << Describe(take);
    EXPECT_LE(take.worst(), kAlignedFrames) << what << ": " << Describe(take);
    EXPECT_LE(take.spread(), kDriftFrames) << what << ": " << Describe(take);
    EXPECT_LE(take.missingMs, kLostMs) << what << ": " << Describe(take);
    EXPECT_GE(take.missingMs, -kLostMs) << what << ": " << Describe(take);
}

class TakeTimingTest : public ::testing::Test {
protected:
    void openWindow() {
        QDir().mkpath(dir.path("temp"));
        window = std::make_unique<TFormMain>(dir.path("tavimo"));
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override {
        if (window && window->EzRgnBtnRecord->Tag() == 1) window->EzRgnBtnRecord->Click();
        window.reset();
    }

    QString temp(const char* name) const { return dir.path("temp/") + name; }

    // A click track as the import leaves it: bgsound.wav and its song.
    void setClickAccompaniment() {
        WriteClickTrack(temp("bgsound.wav"), 2, kSongSeconds, clicks);
        window->MusicFile = dir.path("Clicks.mp3");
        window->State.setGaugeMaximum(static_cast<int>(kSongSeconds));
        window->CurrentFormat.channels = 2;
    }

    // Waits (5 s at most) until the accompaniment has been heard; when it was.
    std::optional<Clock::time_point> waitUntilHeard() {
        std::optional<Clock::time_point> heard;
        (void)QTest::qWaitFor(
            [&] { return (heard = window->MediaPlayer->firstSampleHeardAt()).has_value(); }, 5000);
        return heard;
    }

    const std::vector<int64_t> clicks = IrregularClicks(kSongSeconds);
    TempDir dir;
    RecordedMessages messages;
    std::unique_ptr<TFormMain> window;
};

}  // namespace

TEST_F(TakeTimingTest, TenTakesOfARunSitInTimeWithTheAccompanimentAndKeepTheirEnd) {
    LoopbackMicrophone microphone;
    ASSERT_TRUE(microphone.ready());
    openWindow();
    setClickAccompaniment();
    for (int take = 0; take < 10; ++take) {
        const std::string what = "take " + std::to_string(take + 1);
        window->EzRgnBtnRecord->Click();
        const std::optional<Clock::time_point> heard = waitUntilHeard();
        ASSERT_TRUE(heard) << what;
        if (take == 0) {
            // Both streams show up in volume controls as the program's own.
            for (const char* kind : {"sink-inputs", "source-outputs"}) {
                QString streams;
                ASSERT_TRUE(PactlSucceeds({"list", kind}, &streams));
                for (const char* property :
                     {"application.name = \"Tavimo\"", "application.icon_name = \"tavimo\"",
                      "media.role = \"production\""}) {
                    EXPECT_TRUE(streams.contains(QLatin1String(property)))
                        << kind << " lack " << property << ":\n"
                        << streams.toStdString();
                }
            }
        }
        if (take == 4) {
            // The UI thread busy for two seconds, as during a mixdown.
            QTest::qWait(300);
            std::this_thread::sleep_for(std::chrono::seconds(2));
        }
        QTest::qWait(1200 + 100 * take);
        const Clock::time_point stoppedAt = Clock::now();
        window->EzRgnBtnRecord->Click();
        ASSERT_EQ(0, window->EzRgnBtnRecord->Tag());
        const TakeResult result = Measure(temp("record.wav"), clicks, 0, *heard, stoppedAt);
        std::printf("%s: %s\n", what.c_str(), Describe(result).c_str());
        ExpectInTime(result, what);
    }
    EXPECT_TRUE(messages.all().isEmpty()) << messages.texts().join("|").toStdString();
}

TEST_F(TakeTimingTest, AClientWithASmallLatencyComingAndGoingMidTakeMovesNothing) {
    LoopbackMicrophone microphone;
    ASSERT_TRUE(microphone.ready());
    openWindow();
    setClickAccompaniment();
    window->EzRgnBtnRecord->Click();
    const std::optional<Clock::time_point> heard = waitUntilHeard();
    ASSERT_TRUE(heard);
    QTest::qWait(1500);
    // Another program plays with 2 ms of latency: PulseAudio's cycle shrinks
    // while it plays and grows back when it has gone; PipeWire keeps its
    // cycle for the take's streams.
    QProcess other;
    other.start(QStringLiteral("pacat"), {"--playback", "--latency-msec=2", "--raw", "/dev/zero"});
    ASSERT_TRUE(other.waitForStarted(5000));
    QTest::qWait(2000);
    other.kill();
    other.waitForFinished(5000);
    QTest::qWait(2000);
    const Clock::time_point stoppedAt = Clock::now();
    window->EzRgnBtnRecord->Click();
    const TakeResult result = Measure(temp("record.wav"), clicks, 0, *heard, stoppedAt);
    std::printf("with a client coming and going: %s\n", Describe(result).c_str());
    ExpectInTime(result, "with a client coming and going");
    EXPECT_GE(result.offsets.size(), 6u) << Describe(result);
}

TEST_F(TakeTimingTest, WithoutAccompanimentTheVoiceStartsWhenTheTakeDoes) {
    LoopbackMicrophone microphone;
    ASSERT_TRUE(microphone.ready());
    openWindow();
    // The singer: clicks played by another program on the same speakers.
    WriteClickTrack(dir.path("singer.wav"), 1, kSongSeconds, clicks);
    const auto singerOwner = SessionSound().player();
    platform::WavPlayer& singer = *singerOwner;
    singer.setFileName(dir.path("singer.wav"));
    ASSERT_TRUE(singer.open());
    ASSERT_TRUE(singer.play());
    ASSERT_TRUE(QTest::qWaitFor([&] { return singer.firstSampleHeardAt().has_value(); }, 5000));
    const Clock::time_point singerStart = *singer.firstSampleHeardAt();
    QTest::qWait(400);

    const Clock::time_point beforePress = Clock::now();
    window->EzRgnBtnRecord->Click();
    const Clock::time_point afterPress = Clock::now();
    ASSERT_FALSE(window->MediaPlayer->isOpen());
    QTest::qWait(2500);
    const Clock::time_point stoppedAt = Clock::now();
    window->EzRgnBtnRecord->Click();

    // Sample 0 of record.wav is a moment within the press: each click sits
    // where the singer's was at that moment, later than the click's place
    // for the press's beginning by up to the press's length.
    const double pressMs = Ms(afterPress - beforePress);
    const auto shift = static_cast<int64_t>(Ms(singerStart - beforePress) * kClickRate / 1000);
    const auto pressFrames = static_cast<int64_t>(pressMs * kClickRate / 1000);
    const TakeResult result = Measure(temp("record.wav"), clicks, shift, beforePress, stoppedAt,
                                      pressFrames + kAlignedFrames);
    std::printf("without accompaniment: %s (the press took %.2f ms)\n", Describe(result).c_str(),
                pressMs);
    EXPECT_TRUE(result.valid);
    EXPECT_GE(result.clicksExpected, 2u) << Describe(result);
    EXPECT_GE(result.offsets.size(), result.clicksExpected) << Describe(result);
    EXPECT_LE(result.offsets.size(), result.clicksPossible) << Describe(result);
    for (const int64_t offset : result.offsets) {
        EXPECT_LE(offset, kAlignedFrames) << Describe(result);
        EXPECT_GE(offset, -pressFrames - kAlignedFrames) << Describe(result);
    }
    EXPECT_LE(result.spread(), kDriftFrames) << Describe(result);
    EXPECT_LE(result.missingMs - pressMs, kLostMs) << Describe(result);
    EXPECT_GE(result.missingMs, -kLostMs) << Describe(result);
    EXPECT_TRUE(messages.all().isEmpty()) << messages.texts().join("|").toStdString();
}

TEST_F(TakeTimingTest, AServerKilledDuringATakeEndsItAndTheNextTakeWorksWhenItIsBack) {
    PrivateSoundServer server;
    ASSERT_TRUE(server.start()) << server.log();
    openWindow();
    setClickAccompaniment();

    window->EzRgnBtnRecord->Click();
    const std::optional<Clock::time_point> heard = waitUntilHeard();
    ASSERT_TRUE(heard);
    QTest::qWait(1500);
    const Clock::time_point killedAt = Clock::now();
    server.kill();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.all().isEmpty(); }, 5000));
    ASSERT_EQ(1, messages.all().size());
    EXPECT_EQ(RecordedMessage::Simple, messages.all()[0].kind);
    EXPECT_TRUE(messages.all()[0].text.startsWith("录音中断 "))
        << messages.texts()[0].toStdString();
    // record.wav is whole already, with the take up to the server's end.
    TakeResult first = Measure(temp("record.wav"), clicks, 0, *heard, killedAt);
    std::printf("take cut short: %s\n", Describe(first).c_str());
    EXPECT_TRUE(first.valid);
    EXPECT_LE(first.worst(), kAlignedFrames) << Describe(first);
    EXPECT_GE(first.offsets.size(), 2u) << Describe(first);
    EXPECT_LT(first.missingMs, 300) << Describe(first);

    // Ending the take shows nothing more and does not wait for the server.
    const Clock::time_point pressed = Clock::now();
    window->EzRgnBtnRecord->Click();
    EXPECT_LT(Ms(Clock::now() - pressed), 1000);
    EXPECT_EQ(0, window->EzRgnBtnRecord->Tag());
    EXPECT_EQ(1, messages.all().size());

    ASSERT_TRUE(server.start()) << server.log();
    window->EzRgnBtnRecord->Click();
    const std::optional<Clock::time_point> heardAgain = waitUntilHeard();
    ASSERT_TRUE(heardAgain) << messages.texts().join("|").toStdString();
    QTest::qWait(1500);
    const Clock::time_point stoppedAt = Clock::now();
    window->EzRgnBtnRecord->Click();
    const TakeResult second = Measure(temp("record.wav"), clicks, 0, *heardAgain, stoppedAt);
    std::printf("take after the restart: %s\n", Describe(second).c_str());
    ExpectInTime(second, "take after the restart");
    EXPECT_EQ(1, messages.all().size()) << messages.texts().join("|").toStdString();
}
