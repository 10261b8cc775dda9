// Takes on the real main window, with the real recorder on the test sound
// server, the real player and the real timer.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <memory>

#include "app/TFormMain.h"
#include "audio/TAudioRecord.h"
#include "controls/ClickableLabel.h"
#include "controls/LyricLabel.h"
#include "controls/TCGauge.h"
#include "controls/TEzRgnBtn.h"
#include "controls/TImageList.h"
#include "platform/WavPlayer.h"
#include "tests/support/Mp3Probe.h"
#include "tests/support/RecordedMessages.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFiles.h"

namespace {

class TakeWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        QDir().mkpath(dir.path("temp"));
        window = std::make_unique<TFormMain>(dir.path("tavimo"));
        window->OpenDialog = [] { return QString(); };
        window->SaveDialog = [](const QString&) { return QString(); };
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override {
        if (window && window->State.phase() == TakePhase::Recording) window->Take.ButtonRecordClick();
        window.reset();
    }

    QString temp(const char* name) const { return dir.path("temp/") + name; }
    TFormMain& w() { return *window; }

    // A press as the user makes it.
    void press(TEzRgnBtn* button) { button->Click(); }
    bool face(TEzRgnBtn* button, const TImageList* list, int frame) {
        return button->PicIdle() == list->frame(frame);
    }
    // An accompaniment as the import leaves it: its path and bgsound.wav.
    void setAccompaniment(int seconds, int channels = 2, double frequency = 1000) {
        WriteWavFile(temp("bgsound.wav"), channels, 44100,
                     SineSamples(frequency, seconds, 44100, channels, 8000));
        w().MusicFile = dir.path("My Song.mp3");
        w().State.setGaugeMaximum(seconds);
        w().CurrentFormat.channels = static_cast<uint16_t>(channels);
    }
    std::vector<RecordedMessage> errors() const {
        std::vector<RecordedMessage> out;
        for (const RecordedMessage& m : messages.all())
            if (m.kind == RecordedMessage::Error) out.push_back(m);
        return out;
    }

    TempDir dir;
    RecordedMessages messages;
    std::unique_ptr<TFormMain> window;
};

}  // namespace

TEST_F(TakeWindowTest, TakeWithoutAccompanimentRecordsMonoAndCountsOnTheRealTimer) {
    ASSERT_EQ("00:00", w().LabelTimeDone->text());
    press(w().EzRgnBtnRecord);

    EXPECT_EQ(1, w().EzRgnBtnRecord->Tag());
    EXPECT_EQ("停止录歌", w().EzRgnBtnRecord->toolTip());
    EXPECT_TRUE(face(w().EzRgnBtnRecord, w().ImageListStart, 1));
    EXPECT_FALSE(w().LabelSelbanzou->isEnabled());
    EXPECT_FALSE(w().EzRgnBtnSave->Enabled());
    EXPECT_FALSE(w().EzRgnBtnUpload->Enabled());
    EXPECT_FALSE(w().EzRgnBtnPlay->Enabled());
    EXPECT_EQ("正在录制 ...", w().LabelCur->text());
    EXPECT_TRUE(w().TimerText->isActive());
    EXPECT_FALSE(w().MediaPlayer->isOpen());
    // The elapsed label keeps its value until the first tick, which shows 00:02.
    EXPECT_EQ("00:00", w().LabelTimeDone->text());
    EXPECT_TRUE(QTest::qWaitFor([&] { return w().LabelTimeDone->text() == "00:02"; }, 2500));
    EXPECT_EQ(2, w().ProgressBar->Progress());
    EXPECT_TRUE(QTest::qWaitFor([&] { return w().LabelTimeDone->text() == "00:03"; }, 2500));
    // The test server's sine source hands its sound over in runs of about two
    // seconds; wait for the first to reach the file.
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo(temp("record.wav")).size() > 44; }, 3000));

    press(w().EzRgnBtnRecord);
    EXPECT_EQ(0, w().EzRgnBtnRecord->Tag());
    EXPECT_EQ("重新录歌", w().EzRgnBtnRecord->toolTip());
    EXPECT_TRUE(face(w().EzRgnBtnRecord, w().ImageListStart, 2));
    EXPECT_EQ("录制完毕 ", w().LabelCur->text());
    EXPECT_FALSE(w().TimerText->isActive());
    EXPECT_TRUE(w().LabelSelbanzou->isEnabled());
    EXPECT_TRUE(w().EzRgnBtnSave->Enabled());
    EXPECT_TRUE(w().EzRgnBtnUpload->Enabled());
    EXPECT_TRUE(w().EzRgnBtnPlay->Enabled());

    const WavContents voice = ReadWavFile(temp("record.wav"));
    ASSERT_TRUE(voice.ok);
    EXPECT_EQ(1, voice.header.channels);
    EXPECT_EQ(44100u, voice.header.sampleRate);
    EXPECT_EQ(voice.fileBytes - 44, voice.header.dataSize);
    EXPECT_GT(voice.samples.size(), 44100u);
    EXPECT_TRUE(messages.all().isEmpty()) << messages.texts().join("|").toStdString();
}

TEST_F(TakeWindowTest, StereoAccompanimentPlaysAndTheVoiceStaysMono) {
    setAccompaniment(5, 2);
    w().CurrentFormat.sampleRate = 22050;  // as an imported accompaniment would set it
    press(w().EzRgnBtnRecord);
    EXPECT_EQ("正在录制 My Song...", w().LabelCur->text());
    EXPECT_TRUE(w().MediaPlayer->isPlaying());
    EXPECT_EQ(temp("bgsound.wav"), w().MediaPlayer->fileName());
    QTest::qWait(300);
    press(w().EzRgnBtnRecord);
    EXPECT_FALSE(w().MediaPlayer->isOpen());
    const WavContents voice = ReadWavFile(temp("record.wav"));
    EXPECT_EQ(1, voice.header.channels);
    EXPECT_EQ(22050u, voice.header.sampleRate);
}

TEST_F(TakeWindowTest, EndToEndTheMixCarriesTheVoiceOverTheAccompaniment) {
    setAccompaniment(5, 2, 1000);
    press(w().EzRgnBtnRecord);
    // At least a second of voice: the test server's sine source delivers in
    // runs of about two seconds.
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return QFileInfo(temp("record.wav")).size() > 44 + 88200; }, 10000));
    press(w().EzRgnBtnRecord);
    press(w().EzRgnBtnPlay);
    ASSERT_EQ(1, w().EzRgnBtnPlay->Tag());
    EXPECT_TRUE(w().MediaPlayer->isPlaying());

    const WavContents voice = ReadWavFile(temp("record.wav"));
    const WavContents mix = ReadWavFile(temp("mix.wav"));
    ASSERT_TRUE(voice.ok);
    ASSERT_TRUE(mix.ok);
    EXPECT_EQ(2, mix.header.channels);
    EXPECT_EQ(44100u, mix.header.sampleRate);
    const size_t frames = std::max<size_t>(5 * 44100, voice.samples.size());
    EXPECT_EQ(frames * 2, mix.samples.size());

    // Both tones in the part where both play, in each channel.
    const size_t both = std::min<size_t>(5 * 44100, voice.samples.size());
    ASSERT_GT(both, 44100u);
    for (int channel : {0, 1}) {
        std::vector<int16_t> part = Channel(mix.samples, 2, channel);
        part.resize(both);
        EXPECT_GT(ToneAmplitude(part, 44100, 1000), 4000) << channel;
        EXPECT_GT(ToneAmplitude(part, 44100, 440), 0.5 * ToneAmplitude(voice.samples, 44100, 440))
            << channel;
    }
    press(w().EzRgnBtnPlay);
    EXPECT_TRUE(errors().empty());
}

TEST_F(TakeWindowTest, ATakeWithoutAnAccompanimentIgnoresABgsoundLeftByAnEarlierRun) {
    // A 48 kHz stereo accompaniment from an earlier run is still in the temp
    // folder; none was chosen in this one.
    WriteWavFile(temp("bgsound.wav"), 2, 48000, SineSamples(1000, 30, 48000, 2, 8000));
    const QByteArray leftover = dir.read("temp/bgsound.wav");
    ASSERT_TRUE(QFile::copy(TAVIMO_PROGRAM_DIR "/lame_enc.so", dir.path("lame_enc.so")));
    ASSERT_TRUE(w().MusicFile.isEmpty());

    for (int take = 1; take <= 2; ++take) {
        SCOPED_TRACE(take);
        press(w().EzRgnBtnRecord);
        EXPECT_FALSE(w().MediaPlayer->isOpen());
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return QFileInfo(temp("record.wav")).size() > 44 + 88200; }, 10000));
        press(w().EzRgnBtnRecord);
        // Recorded at the default format, not the leftover's.
        const WavContents voice = ReadWavFile(temp("record.wav"));
        EXPECT_EQ(1, int{voice.header.channels});
        EXPECT_EQ(44100u, uint32_t{voice.header.sampleRate});

        // The preview plays the voice alone, and the current format stays.
        press(w().EzRgnBtnPlay);
        ASSERT_EQ(1, w().EzRgnBtnPlay->Tag());
        EXPECT_TRUE(dir.read("temp/record.wav") == dir.read("temp/mix.wav"));
        EXPECT_EQ(1, int{w().CurrentFormat.channels});
        EXPECT_EQ(44100u, uint32_t{w().CurrentFormat.sampleRate});
        press(w().EzRgnBtnPlay);
    }

    // Saved, the song is the voice alone: mono, at the voice's rate and length.
    w().SaveDialog = [&](const QString&) { return dir.path("take.mp3"); };
    press(w().EzRgnBtnSave);
    EXPECT_TRUE(errors().empty());
    const Mp3Description mp3 = DescribeMp3(dir.path("take.mp3"));
    ASSERT_TRUE(mp3.ok) << mp3.log.toStdString();
    EXPECT_EQ("mono", mp3.mode);
    EXPECT_EQ(44100, mp3.sampleRateHz);
    const WavContents decoded = DecodeMp3(dir.path("take.mp3"), dir.path("decoded.wav"));
    EXPECT_EQ(ReadWavFile(temp("record.wav")).samples.size(), decoded.samples.size());
    EXPECT_NEAR(440, DominantFrequency(decoded.samples, 44100), 5);
    EXPECT_TRUE(leftover == dir.read("temp/bgsound.wav"));
    EXPECT_TRUE(messages.all().isEmpty()) << messages.texts().join("|").toStdString();
}

TEST_F(TakeWindowTest, ClosingTheWindowDuringATakeFinishesRecordWavAsStopDoes) {
    // Two takes of the same length: the first ended by the button, the
    // second by closing the window.
    const auto recordFor = [&](int milliseconds) {
        press(w().EzRgnBtnRecord);
        EXPECT_EQ(1, w().EzRgnBtnRecord->Tag());
        QTest::qWait(milliseconds);
    };
    recordFor(3500);
    press(w().EzRgnBtnRecord);
    const WavContents stopped = ReadWavFile(temp("record.wav"));
    ASSERT_TRUE(stopped.ok);

    recordFor(3500);
    window->close();
    window.reset();

    // The header tells what the file holds, and the take is as long as one
    // the button ended.
    const WavContents closed = ReadWavFile(temp("record.wav"));
    ASSERT_TRUE(closed.ok);
    EXPECT_EQ(closed.fileBytes - 44, closed.header.dataSize);
    const double stoppedSeconds = static_cast<double>(stopped.samples.size()) / 44100.0;
    const double closedSeconds = static_cast<double>(closed.samples.size()) / 44100.0;
    EXPECT_GT(stoppedSeconds, 3.0);
    EXPECT_NEAR(stoppedSeconds, closedSeconds, 0.3);
    EXPECT_TRUE(errors().empty());
}

// Where the wipe's edge is on the screen: the right end of the lyric label's
// ink in the fill colour (navy: as much green as red, where the teal of the
// rest has far more), in the label's pixels; -1 when none shows.
int WipeEdge(LyricLabel* label) {
    const QImage image = label->grab().toImage();
    int edge = -1;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() < 160 && c.green() - c.red() < 25) edge = x;
        }
    }
    return edge;
}

TEST_F(TakeWindowTest, TheLyricLineFillsInWithWhatIsHeardInATakeAndInItsPreview) {
    setAccompaniment(16);
    const QString line = QStringLiteral("一二三四五六七八九十一二三四五六七八九十");
    dir.write("My Song.lrc", ("[00:02.00]" + line + "\n[00:13.00]end\n").toUtf8());
    LyricLabel* label = w().LabelText;
    const QFontMetrics metrics(label->font());
    const double lineWidth = metrics.horizontalAdvance(line);
    // At three moments of the line, the edge is where the heard time puts it:
    // the line fills evenly over the eleven seconds to the next one.
    const auto expectEdgesFollowTheSong = [&](std::initializer_list<int> moments) {
        for (int ms : moments) {
            SCOPED_TRACE(ms);
            ASSERT_TRUE(QTest::qWaitFor(
                [&] {
                    const auto heard = w().MediaPlayer->firstSampleHeardAt();
                    return heard && platform::SoundClock::now() - *heard >= std::chrono::milliseconds(ms);
                },
                15000));
            const int edge = WipeEdge(label);
            const double expected = lineWidth * (ms - 2000) / 11000.0;
            EXPECT_NEAR(expected, edge, 0.05 * lineWidth) << "frames " << label->framesWithFill() << ", fill " << label->fill();
        }
    };
    press(w().EzRgnBtnRecord);
    ASSERT_TRUE(QTest::qWaitFor([&] { return label->text() == line; }, 4000));
    expectEdgesFollowTheSong({4500, 7000, 9500});
    press(w().EzRgnBtnRecord);
    press(w().EzRgnBtnPlay);
    ASSERT_TRUE(QTest::qWaitFor([&] { return label->text() == line; }, 4000));
    expectEdgesFollowTheSong({5000});
    press(w().EzRgnBtnPlay);
    EXPECT_TRUE(errors().empty());
}
