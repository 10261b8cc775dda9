// The take controller on the real main window, with the real recorder on the
// test sound server and the real player.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <memory>

#include "app/TFormMain.h"
#include "audio/TAudioRecord.h"
#include "controls/ClickableLabel.h"
#include "controls/TCGauge.h"
#include "controls/TEzRgnBtn.h"
#include "controls/TImageList.h"
#include "platform/UserMessages.h"
#include "platform/WavPlayer.h"
#include "tests/recorder/FakeAudioInput.h"
#include "tests/support/Mp3Probe.h"
#include "tests/support/RecordedMessages.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFiles.h"

namespace {

class TakeControllerTest : public ::testing::Test {
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
        if (window && window->EzRgnBtnRecord->Tag() == 1) window->Take.ButtonRecordClick();
        window.reset();
    }

    QString temp(const char* name) const { return dir.path("temp/") + name; }
    TFormMain& w() { return *window; }

    // A handler run as the window runs it: errors end up in the error box.
    void press(TEzRgnBtn* button) { button->Click(); }
    void tick() {
        platform::RunHandler([this] { w().Take.TimerTextTimer(); });
    }
    bool face(TEzRgnBtn* button, const TImageList* list, int frame) {
        return button->PicIdle() == list->frame(frame);
    }
    // An accompaniment as the import leaves it: its path and bgsound.wav.
    void setAccompaniment(int seconds, int channels = 2, double frequency = 1000) {
        WriteWavFile(temp("bgsound.wav"), channels, 44100,
                     SineSamples(frequency, seconds, 44100, channels, 8000));
        w().MusicFile = dir.path("My Song.mp3");
        w().ProgressBar->SetMaxValue(seconds);
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

TEST_F(TakeControllerTest, TakeWithoutAccompanimentRecordsMonoAndCountsOnTheRealTimer) {
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

TEST_F(TakeControllerTest, StereoAccompanimentPlaysAndTheVoiceStaysMono) {
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

TEST_F(TakeControllerTest, PreviewBuildsTheMixOncePerTakeAndReusesIt) {
    press(w().EzRgnBtnRecord);
    QTest::qWait(300);
    press(w().EzRgnBtnRecord);
    ASSERT_FALSE(QFile::exists(temp("mix.wav")));

    press(w().EzRgnBtnPlay);
    // Without an accompaniment the mix is the voice itself.
    ASSERT_TRUE(QFile::exists(temp("mix.wav")));
    EXPECT_EQ(dir.read("temp/record.wav"), dir.read("temp/mix.wav"));
    EXPECT_EQ(1, w().EzRgnBtnPlay->Tag());
    EXPECT_TRUE(face(w().EzRgnBtnPlay, w().ImageListPlay, 1));
    EXPECT_EQ("停止试听", w().EzRgnBtnPlay->toolTip());
    EXPECT_EQ("正在试听: ...", w().LabelCur->text());
    EXPECT_TRUE(w().MediaPlayer->isPlaying());
    EXPECT_EQ(temp("mix.wav"), w().MediaPlayer->fileName());
    EXPECT_TRUE(w().TimerText->isActive());

    press(w().EzRgnBtnPlay);
    EXPECT_EQ(0, w().EzRgnBtnPlay->Tag());
    EXPECT_TRUE(face(w().EzRgnBtnPlay, w().ImageListPlay, 0));
    EXPECT_EQ("试听", w().EzRgnBtnPlay->toolTip());
    EXPECT_EQ("停止试听: ...", w().LabelCur->text());
    EXPECT_FALSE(w().TimerText->isActive());
    EXPECT_FALSE(w().MediaPlayer->isOpen());

    // A second preview of the same take plays the same mix without a new mixdown.
    const QByteArray firstMix = dir.read("temp/mix.wav");
    dir.write("temp/record.wav", dir.read("temp/record.wav") + QByteArray(4000, '\x11'));
    press(w().EzRgnBtnPlay);
    EXPECT_EQ(firstMix, dir.read("temp/mix.wav"));
    press(w().EzRgnBtnPlay);

    // The next take deletes it.
    press(w().EzRgnBtnRecord);
    EXPECT_FALSE(QFile::exists(temp("mix.wav")));
    press(w().EzRgnBtnRecord);
    EXPECT_TRUE(messages.all().isEmpty()) << messages.texts().join("|").toStdString();
}

TEST_F(TakeControllerTest, RecordDuringAPreviewEndsThePreviewAndStartsATake) {
    setAccompaniment(5);
    press(w().EzRgnBtnRecord);
    press(w().EzRgnBtnRecord);
    press(w().EzRgnBtnPlay);
    ASSERT_EQ(1, w().EzRgnBtnPlay->Tag());
    ASSERT_EQ(temp("mix.wav"), w().MediaPlayer->fileName());

    press(w().EzRgnBtnRecord);
    EXPECT_EQ(0, w().EzRgnBtnPlay->Tag());
    EXPECT_TRUE(face(w().EzRgnBtnPlay, w().ImageListPlay, 0));
    EXPECT_EQ(1, w().EzRgnBtnRecord->Tag());
    EXPECT_EQ("正在录制 My Song...", w().LabelCur->text());
    EXPECT_FALSE(QFile::exists(temp("mix.wav")));
    EXPECT_EQ(temp("bgsound.wav"), w().MediaPlayer->fileName());
    EXPECT_TRUE(w().MediaPlayer->isPlaying());
    EXPECT_TRUE(messages.all().isEmpty()) << messages.texts().join("|").toStdString();
}

TEST_F(TakeControllerTest, FullGaugeStopsTimerAndPlayerWhileRecordingGoesOn) {
    setAccompaniment(3);
    press(w().EzRgnBtnRecord);
    tick();  // 00:02
    EXPECT_TRUE(w().TimerText->isActive());
    EXPECT_TRUE(w().MediaPlayer->isPlaying());
    tick();  // 00:03 fills the gauge
    EXPECT_EQ("00:03", w().LabelTimeDone->text());
    EXPECT_FALSE(w().TimerText->isActive());
    EXPECT_TRUE(w().MediaPlayer->isOpen());
    EXPECT_FALSE(w().MediaPlayer->isPlaying());
    EXPECT_EQ(0, w().EzRgnBtnPlay->Tag());
    EXPECT_EQ(1, w().EzRgnBtnRecord->Tag());
    EXPECT_EQ("正在录制 My Song...", w().LabelCur->text());

    // The recorder goes on after the accompaniment has ended.
    const qint64 before = QFileInfo(temp("record.wav")).size();
    // (The test server's sine source delivers in runs of about two seconds.)
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return QFileInfo(temp("record.wav")).size() > before; }, 10000));
    press(w().EzRgnBtnRecord);
    EXPECT_EQ(0, w().EzRgnBtnRecord->Tag());
    EXPECT_TRUE(errors().empty());
}

TEST_F(TakeControllerTest, WithoutAccompanimentTheDefaultGaugeEndsAtOneMinuteForty) {
    press(w().EzRgnBtnRecord);
    w().TimerTextTag = 98;
    tick();
    EXPECT_EQ("01:39", w().LabelTimeDone->text());
    EXPECT_TRUE(w().TimerText->isActive());
    tick();  // 99 seconds after the start: 01:40 fills the default maximum of 100
    EXPECT_EQ("01:40", w().LabelTimeDone->text());
    EXPECT_FALSE(w().TimerText->isActive());
    // Nothing is open to stop: the error ends the tick before the preview
    // button is reset; the take goes on.
    ASSERT_EQ(1u, errors().size());
    EXPECT_EQ(QString(platform::kNoFileOpenText), errors()[0].text);
    EXPECT_EQ(1, w().EzRgnBtnRecord->Tag());
}

TEST_F(TakeControllerTest, RefusedPreviewAndThePressesAfterIt) {
    QFile::remove(temp("record.wav"));
    QFile::remove(temp("mix.wav"));
    w().EzRgnBtnPlay->SetEnabled(true);
    press(w().EzRgnBtnPlay);
    ASSERT_EQ(1, messages.all().size());
    EXPECT_EQ(RecordedMessage::MessageBox, messages.all()[0].kind);
    EXPECT_EQ("请先录歌", messages.all()[0].text);
    EXPECT_EQ("提示", messages.all()[0].caption);
    EXPECT_EQ(1, w().EzRgnBtnPlay->Tag());
    EXPECT_TRUE(face(w().EzRgnBtnPlay, w().ImageListPlay, 1));
    EXPECT_EQ("停止试听", w().EzRgnBtnPlay->toolTip());
    EXPECT_FALSE(w().TimerText->isActive());
    EXPECT_FALSE(w().MediaPlayer->isOpen());

    // The record button now: ending the refused preview stops a player with
    // nothing open, and that error ends the start of the take after its step 1.
    messages.clear();
    press(w().EzRgnBtnRecord);
    ASSERT_EQ(1u, errors().size());
    EXPECT_EQ(QString(platform::kNoFileOpenText), errors()[0].text);
    EXPECT_EQ(1, w().EzRgnBtnRecord->Tag());
    EXPECT_EQ("停止录歌", w().EzRgnBtnRecord->toolTip());
    EXPECT_TRUE(w().LabelSelbanzou->isEnabled());
    EXPECT_FALSE(w().TimerText->isActive());
    EXPECT_FALSE(QFile::exists(temp("record.wav")));
    // The preview itself was ended before the error.
    EXPECT_EQ(0, w().EzRgnBtnPlay->Tag());
    EXPECT_EQ("停止试听: ...", w().LabelCur->text());

    // The next press ends the take normally.
    messages.clear();
    press(w().EzRgnBtnRecord);
    EXPECT_EQ(0, w().EzRgnBtnRecord->Tag());
    EXPECT_EQ("录制完毕 ", w().LabelCur->text());
    EXPECT_TRUE(messages.all().isEmpty());
}

TEST_F(TakeControllerTest, EndingARefusedPreviewShowsTheErrorAfterResettingTheButton) {
    QFile::remove(temp("record.wav"));
    w().EzRgnBtnPlay->SetEnabled(true);
    press(w().EzRgnBtnPlay);
    messages.clear();
    press(w().EzRgnBtnPlay);
    EXPECT_EQ(0, w().EzRgnBtnPlay->Tag());
    EXPECT_EQ("试听", w().EzRgnBtnPlay->toolTip());
    EXPECT_EQ("停止试听: ...", w().LabelCur->text());
    ASSERT_EQ(1u, errors().size());
    EXPECT_EQ(QString(platform::kNoFileOpenText), errors()[0].text);
}

TEST_F(TakeControllerTest, AnAccompanimentThePlayerCannotOpenEndsTheStartBeforeRecording) {
    w().MusicFile = dir.path("gone.mp3");
    QFile::remove(temp("bgsound.wav"));
    QFile::remove(temp("record.wav"));
    press(w().EzRgnBtnRecord);
    ASSERT_EQ(1u, errors().size());
    EXPECT_FALSE(errors()[0].text.isEmpty());
    EXPECT_EQ(1, w().EzRgnBtnRecord->Tag());
    EXPECT_TRUE(face(w().EzRgnBtnRecord, w().ImageListStart, 1));
    EXPECT_TRUE(w().TimerText->isActive());
    EXPECT_EQ("正在录制 gone...", w().LabelCur->text());
    EXPECT_FALSE(QFile::exists(temp("record.wav")));

    messages.clear();
    press(w().EzRgnBtnRecord);
    EXPECT_EQ(0, w().EzRgnBtnRecord->Tag());
    EXPECT_FALSE(w().TimerText->isActive());
    EXPECT_TRUE(messages.all().isEmpty());
}

TEST_F(TakeControllerTest, LyricsAdvanceWithTheTicks) {
    setAccompaniment(10);
    dir.write("My Song.lrc",
              "[ti:Moon]\r\n[ar:Singer]\r\n[00:02.50]first line\r\n[00:04]second line\r\n"
              "[01:30]far away\r\n");
    press(w().EzRgnBtnRecord);
    EXPECT_EQ("Moon", w().windowTitle());
    EXPECT_EQ("Singer", w().LabelText->text());
    EXPECT_TRUE(w().LabelText->font().bold());
    tick();  // second 2
    EXPECT_EQ("first line", w().LabelText->text());
    EXPECT_EQ("second line", w().LabelTextNext->text());
    tick();  // second 3 has no line: both stay
    EXPECT_EQ("first line", w().LabelText->text());
    tick();  // second 4: the next line is more than 59 seconds ahead
    EXPECT_EQ("second line", w().LabelText->text());
    EXPECT_EQ("", w().LabelTextNext->text());
    press(w().EzRgnBtnRecord);

    // A file without title and artist keeps the old title and artist.
    dir.write("My Song.lrc", "[00:02]only\r\n");
    press(w().EzRgnBtnRecord);
    EXPECT_EQ("Moon", w().windowTitle());
    EXPECT_EQ("Singer", w().LabelText->text());
    press(w().EzRgnBtnRecord);
    EXPECT_TRUE(errors().empty());
}

TEST_F(TakeControllerTest, AnUnreadableLyricFileEndsTheStartWithAnError) {
    setAccompaniment(10);
    QDir().mkpath(dir.path("My Song.lrc"));  // exists, but cannot be read as a file
    press(w().EzRgnBtnRecord);
    ASSERT_EQ(1u, errors().size());
    EXPECT_TRUE(errors()[0].text.contains("My Song.lrc")) << errors()[0].text.toStdString();
    // The handler ended at the lyrics: the accompaniment did not start.
    EXPECT_FALSE(w().MediaPlayer->isOpen());
    EXPECT_EQ(1, w().EzRgnBtnRecord->Tag());
}

TEST_F(TakeControllerTest, EndToEndTheMixCarriesTheVoiceOverTheAccompaniment) {
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

TEST_F(TakeControllerTest, ATakeWithoutAnAccompanimentIgnoresABgsoundLeftByAnEarlierRun) {
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

TEST_F(TakeControllerTest, ARecorderThatCannotStartEndsTheTakeAtOnce) {
    // A good take first: record.wav holds it, preview and save are offered.
    setAccompaniment(10);
    press(w().EzRgnBtnRecord);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo(temp("record.wav")).size() > 44; }, 10000));
    press(w().EzRgnBtnRecord);
    ASSERT_TRUE(w().EzRgnBtnPlay->Enabled());
    const QByteArray earlierTake = dir.read("temp/record.wav");
    const QString elapsed = w().LabelTimeDone->text();
    messages.clear();

    // Now the sound input refuses to open, as a missing device does.
    FakeAudioInput::Counts counts;
    auto input = std::make_unique<FakeAudioInput>(&counts);
    input->openResult = {1, QStringLiteral("no audio input device")};
    TAudioRecord failing(2, std::move(input));
    TAudioRecord* const real = w().Recorder;
    const auto restore = qScopeGuard([&] { w().Recorder = real; });
    w().Recorder = &failing;

    press(w().EzRgnBtnRecord);
    ASSERT_EQ(1, messages.all().size());
    EXPECT_EQ(RecordedMessage::Simple, messages.all()[0].kind);
    EXPECT_EQ("waveInOpen Error 1 no audio input device", messages.all()[0].text);
    // Back to the look before a take, with nothing playing or counting.
    EXPECT_EQ(0, w().EzRgnBtnRecord->Tag());
    EXPECT_EQ("开始录歌", w().EzRgnBtnRecord->toolTip());
    EXPECT_TRUE(face(w().EzRgnBtnRecord, w().ImageListStart, 0));
    EXPECT_EQ("未能开始录制 My Song", w().LabelCur->text());
    EXPECT_FALSE(w().TimerText->isActive());
    EXPECT_FALSE(w().MediaPlayer->isOpen());
    EXPECT_TRUE(w().LabelSelbanzou->isEnabled());
    EXPECT_TRUE(w().EzRgnBtnUpload->Enabled());
    // The earlier take is not presented as this one.
    EXPECT_FALSE(w().EzRgnBtnPlay->Enabled());
    EXPECT_FALSE(w().EzRgnBtnSave->Enabled());
    EXPECT_TRUE(earlierTake == dir.read("temp/record.wav"));
    QTest::qWait(1200);  // no tick comes
    EXPECT_EQ(elapsed, w().LabelTimeDone->text());

    // The next press starts a take, with a recorder that works again.
    w().Recorder = real;
    messages.clear();
    press(w().EzRgnBtnRecord);
    EXPECT_EQ(1, w().EzRgnBtnRecord->Tag());
    EXPECT_TRUE(w().MediaPlayer->isPlaying());
    press(w().EzRgnBtnRecord);
    EXPECT_TRUE(w().EzRgnBtnPlay->Enabled());
    EXPECT_TRUE(messages.all().isEmpty()) << messages.texts().join("|").toStdString();
}

TEST_F(TakeControllerTest, ClosingTheWindowDuringATakeFinishesRecordWavAsStopDoes) {
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
