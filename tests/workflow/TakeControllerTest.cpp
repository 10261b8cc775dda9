// The take controller against a view of its own, without a display: a fake
// input under the real recorder, a fake player, the real work files in a
// temp folder. The look of each state, the clock, and takes and previews that
// cannot start.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "base/Global.h"
#include "tests/support/FakeAudioInput.h"
#include "tests/support/FakeWavPlayer.h"
#include "tests/support/RecordedMessages.h"
#include "tests/support/RecordedView.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFiles.h"
#include "workflow/TakeController.h"

namespace {

using W = WindowControl;

class TakeControllerTest : public ::testing::Test {
protected:
    TakeControllerTest() {
        SetWorkFolders(dir.path("tavimo"), true, QString());
        QDir().mkpath(dir.path("temp"));
        InitWavHeader(session.CurrentFormat, 1, 44100, 16);
    }
    ~TakeControllerTest() override {
        if (session.State.phase() == TakePhase::Recording) take.ButtonRecordClick();
    }

    QString temp(const char* name) const { return dir.path("temp/") + name; }
    // An accompaniment as the import leaves it.
    void setAccompaniment(int seconds) {
        WriteWavFile(temp("bgsound.wav"), 2, 44100, SineSamples(1000, 1, 44100, 2, 8000));
        session.MusicFile = dir.path("My Song.mp3");
        session.State.setGaugeMaximum(seconds);
        session.CurrentFormat.channels = 2;
    }
    void expectIdleLookOfAFreshWindow() {
        EXPECT_EQ(0, view.tag[W::Record]);
        EXPECT_EQ(0, view.tag[W::Play]);
        EXPECT_EQ(0, view.face[W::Record]);
        EXPECT_EQ("开始录歌", view.hint[W::Record]);
        EXPECT_TRUE(view.enabled[W::Import]);
        EXPECT_TRUE(view.enabled[W::Upload]);
        EXPECT_FALSE(view.timerRunning);
    }

    TempDir dir;
    RecordedMessages messages;
    RecordedView view;
    Session session{view};
    FakeAudioInput::Counts counts;
    FakeAudioInput* input = new FakeAudioInput(&counts);
    TAudioRecord recorder{std::unique_ptr<FakeAudioInput>(input)};
    FakeWavPlayer player;
    TakeController take{session, recorder, player};
};

}  // namespace

TEST_F(TakeControllerTest, ATakeSwitchesTheWindowCountsAndEnds) {
    setAccompaniment(5);
    QFile(temp("mix.wav")).open(QIODevice::WriteOnly);
    take.ButtonRecordClick();
    EXPECT_EQ(TakePhase::Recording, session.State.phase());
    EXPECT_EQ(1, view.tag[W::Record]);
    EXPECT_EQ("停止录歌", view.hint[W::Record]);
    EXPECT_EQ(1, view.face[W::Record]);
    for (W control : {W::Import, W::Save, W::Upload, W::Play}) EXPECT_FALSE(view.enabled[control]);
    EXPECT_EQ("正在录制 My Song...", view.status);
    EXPECT_TRUE(view.timerRunning);
    EXPECT_FALSE(QFile::exists(temp("mix.wav")));
    EXPECT_TRUE(player.isPlaying());
    EXPECT_EQ(temp("bgsound.wav"), player.fileName());
    // The voice is mono at the accompaniment's rate.
    EXPECT_EQ(1, input->format().channels);
    EXPECT_EQ(44100, input->format().sampleRate);

    // The first tick shows 00:02; the elapsed label keeps its value until then.
    EXPECT_EQ("00:00", view.elapsed);
    take.TimerTextTimer();
    EXPECT_EQ("00:02", view.elapsed);
    EXPECT_EQ(2, view.gaugeProgress);

    ASSERT_TRUE(input->returnBlock(2646, 1));
    take.ButtonRecordClick();
    EXPECT_EQ(0, view.tag[W::Record]);
    EXPECT_EQ("重新录歌", view.hint[W::Record]);
    EXPECT_EQ(2, view.face[W::Record]);
    EXPECT_EQ("录制完毕 My Song", view.status);
    EXPECT_FALSE(view.timerRunning);
    EXPECT_FALSE(player.isOpen());
    for (W control : {W::Import, W::Save, W::Upload, W::Play}) EXPECT_TRUE(view.enabled[control]);
    EXPECT_EQ(44 + 2646, QFile(temp("record.wav")).size());
    EXPECT_TRUE(messages.all().isEmpty()) << messages.texts().join('|').toStdString();
}

TEST_F(TakeControllerTest, APreviewBuildsTheMixOnceAndARecordPressEndsIt) {
    take.ButtonRecordClick();
    ASSERT_TRUE(input->returnBlock(2646, 1));
    take.ButtonRecordClick();
    take.ButtonPlayClick();
    // Without an accompaniment the mix is the voice itself.
    EXPECT_EQ(QFile(temp("record.wav")).size(), QFile(temp("mix.wav")).size());
    EXPECT_EQ(TakePhase::Previewing, session.State.phase());
    EXPECT_EQ(1, view.tag[W::Play]);
    EXPECT_EQ(1, view.face[W::Play]);
    EXPECT_EQ("停止试听", view.hint[W::Play]);
    EXPECT_EQ("正在试听: ...", view.status);
    EXPECT_EQ(temp("mix.wav"), player.fileName());
    EXPECT_TRUE(player.isPlaying());
    EXPECT_TRUE(view.timerRunning);

    take.ButtonPlayClick();
    EXPECT_EQ(0, view.tag[W::Play]);
    EXPECT_EQ(0, view.face[W::Play]);
    EXPECT_EQ("试听", view.hint[W::Play]);
    EXPECT_EQ("停止试听: ...", view.status);
    EXPECT_FALSE(player.isOpen());

    // The second preview of the take plays the mix as it is.
    WriteWavFile(temp("record.wav"), 1, 44100, std::vector<int16_t>(9000, 7));
    const QByteArray mix = dir.read("temp/mix.wav");
    take.ButtonPlayClick();
    EXPECT_EQ(mix, dir.read("temp/mix.wav"));

    // The record button during a preview ends it and starts a take.
    take.ButtonRecordClick();
    EXPECT_EQ(0, view.tag[W::Play]);
    EXPECT_EQ(1, view.tag[W::Record]);
    EXPECT_FALSE(QFile::exists(temp("mix.wav")));
    EXPECT_TRUE(messages.all().isEmpty()) << messages.texts().join('|').toStdString();
}

TEST_F(TakeControllerTest, AFullGaugeEndsTheAccompanimentOrThePreviewButNotTheTake) {
    setAccompaniment(3);
    take.ButtonRecordClick();
    take.TimerTextTimer();
    take.TimerTextTimer();  // 00:03 fills the gauge
    EXPECT_FALSE(view.timerRunning);
    EXPECT_TRUE(player.isOpen());
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(TakePhase::Recording, session.State.phase());
    EXPECT_EQ("正在录制 My Song...", view.status);
    take.ButtonRecordClick();

    take.ButtonPlayClick();
    take.TimerTextTimer();
    take.TimerTextTimer();
    // Preview over: the button is back, its hint and the status line stay.
    EXPECT_EQ(0, view.tag[W::Play]);
    EXPECT_EQ(0, view.face[W::Play]);
    EXPECT_EQ("停止试听", view.hint[W::Play]);
    EXPECT_EQ("正在试听: My Song...", view.status);
    EXPECT_TRUE(player.isOpen());
    take.ButtonPlayClick();  // plays again
    EXPECT_TRUE(player.isPlaying());
    EXPECT_TRUE(messages.all().isEmpty()) << messages.texts().join('|').toStdString();
}

TEST_F(TakeControllerTest, WithoutAccompanimentTheDefaultGaugeEndsInAnErrorAndTheTakeGoesOn) {
    take.ButtonRecordClick();
    for (int t = 2; t <= 100; ++t) take.TimerTextTimer();
    EXPECT_EQ("01:40", view.elapsed);
    EXPECT_FALSE(view.timerRunning);
    // Nothing is open to stop: the error box, and the take goes on.
    EXPECT_EQ(QStringList{platform::kNoFileOpenText}, messages.texts());
    EXPECT_EQ(RecordedMessage::Error, messages.all()[0].kind);
    EXPECT_EQ(TakePhase::Recording, session.State.phase());
}

TEST_F(TakeControllerTest, ATakeThatCannotStartLeavesTheWindowAsItWas) {
    setAccompaniment(10);
    // A take before: record.wav and mix.wav hold it, preview and save are offered.
    take.ButtonRecordClick();
    ASSERT_TRUE(input->returnBlock(2646, 1));
    take.ButtonRecordClick();
    take.ButtonPlayClick();
    take.ButtonPlayClick();
    ASSERT_TRUE(QFile::exists(temp("mix.wav")));
    const QByteArray earlierTake = dir.read("temp/record.wav");
    messages.clear();

    struct Case {
        const char* what;
        std::function<void()> arrange;
        RecordedMessage::Kind shown;
        bool takeStillOffered;
    };
    const Case cases[] = {
        {"an unreadable lyric file", [&] { QDir().mkpath(dir.path("My Song.lrc")); },
         RecordedMessage::Error, true},
        {"a player that cannot open the accompaniment",
         [&] { player.openFailure = platform::PlayerFailure("cannot open"); },
         RecordedMessage::Error, true},
        {"a player that cannot start", [&] { player.playFailure = platform::PlayerFailure("busy"); },
         RecordedMessage::Error, true},
        {"a recorder without a device",
         [&] {
             input->openResult = Failure{FailureCause::NoSound, "no device",
                                         FailureNotice::Simple, 1};
         },
         RecordedMessage::Simple, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.arrange();
        take.ButtonRecordClick();
        EXPECT_EQ(TakePhase::Idle, session.State.phase());
        EXPECT_EQ(0, view.tag[W::Record]);
        EXPECT_EQ(2, view.face[W::Record]);
        EXPECT_EQ("重新录歌", view.hint[W::Record]);
        EXPECT_TRUE(view.enabled[W::Import]);
        EXPECT_TRUE(view.enabled[W::Upload]);
        EXPECT_EQ(c.takeStillOffered, view.enabled[W::Play]);
        EXPECT_EQ(c.takeStillOffered, view.enabled[W::Save]);
        EXPECT_FALSE(view.timerRunning);
        EXPECT_FALSE(player.isOpen());
        EXPECT_EQ("未能开始录制 My Song", view.status);
        EXPECT_TRUE(QFile::exists(temp("mix.wav")));
        EXPECT_EQ(earlierTake, dir.read("temp/record.wav"));
        ASSERT_EQ(1, messages.all().size());
        EXPECT_EQ(c.shown, messages.all()[0].kind);
        messages.clear();
        QDir().rmdir(dir.path("My Song.lrc"));
        player.openFailure.reset();
        player.playFailure.reset();
        input->openResult = Status();
    }
    // The next press starts a take.
    take.ButtonRecordClick();
    EXPECT_EQ(TakePhase::Recording, session.State.phase());
    EXPECT_TRUE(player.isPlaying());
}

TEST_F(TakeControllerTest, APreviewThatCannotStartLeavesTheButtonAsItWas) {
    // No take yet.
    take.ButtonPlayClick();
    EXPECT_EQ(QStringList{"请先录歌"}, messages.texts());
    EXPECT_EQ("提示", messages.all()[0].caption);
    // A mix that cannot be built, then a player that cannot open it.
    WriteWavFile(temp("record.wav"), 1, 44100, std::vector<int16_t>(100, 3));
    session.MusicFile = dir.path("song.mp3");  // and no bgsound.wav beside it
    QDir().mkpath(temp("bgsound.wav"));
    take.ButtonPlayClick();
    EXPECT_EQ("打开 bgsound.wav 失败", messages.texts().value(1));
    QDir().rmdir(temp("bgsound.wav"));
    session.MusicFile.clear();
    player.openFailure = platform::PlayerFailure("cannot open");
    take.ButtonPlayClick();
    EXPECT_EQ("cannot open", messages.texts().value(2));
    EXPECT_EQ(TakePhase::Idle, session.State.phase());
    EXPECT_EQ(0, view.tag[W::Play]);
    EXPECT_EQ(0, view.face[W::Play]);
    EXPECT_EQ("试听", view.hint[W::Play]);
    EXPECT_FALSE(view.timerRunning);
    EXPECT_EQ("", view.status);
}

TEST_F(TakeControllerTest, LyricsAdvanceWithTheTicks) {
    setAccompaniment(100);
    dir.write("My Song.lrc",
              "[ti:Moon]\r\n[ar:Singer]\r\n[00:02.50]first line\r\n[00:04]second line\r\n"
              "[01:30]far away\r\n");
    take.ButtonRecordClick();
    EXPECT_EQ("Moon", view.caption);
    EXPECT_EQ("Singer", view.lyric);
    EXPECT_TRUE(view.lyricsBold);
    take.TimerTextTimer();  // second 2
    EXPECT_EQ("first line", view.lyric);
    EXPECT_EQ("second line", view.nextLyric);
    take.TimerTextTimer();  // second 3 has no line: both stay
    EXPECT_EQ("first line", view.lyric);
    take.TimerTextTimer();  // second 4: the next line is more than 59 seconds ahead
    EXPECT_EQ("second line", view.lyric);
    EXPECT_EQ("", view.nextLyric);
    take.ButtonRecordClick();

    // A file without title and artist keeps the old ones.
    dir.write("My Song.lrc", "[00:02]only\r\n");
    take.ButtonRecordClick();
    EXPECT_EQ("Moon", view.caption);
    EXPECT_EQ("Singer", view.lyric);
}

TEST_F(TakeControllerTest, ATakeWaitsForAnAccompanimentOnItsWay) {
    {
        TakeState::BusyScope busy(session.State);
        take.ButtonRecordClick();
        EXPECT_EQ(TakePhase::Idle, session.State.phase());
        expectIdleLookOfAFreshWindow();
    }
    take.ButtonRecordClick();
    EXPECT_EQ(TakePhase::Recording, session.State.phase());
}

TEST_F(TakeControllerTest, TheLineFillsInAsItIsHeardAndALateFirstLineIsCountedIn) {
    setAccompaniment(100);
    dir.write("My Song.lrc", "[00:06.00]abcdefghij\n[00:11.00]next\n[00:13]last\n");
    take.ButtonRecordClick();
    const auto heardFor = [&](int ms) {
        player.heardAt = platform::SoundClock::now() - std::chrono::milliseconds(ms);
        take.LyricsFrame();
    };
    heardFor(2500);  // before the count-in
    EXPECT_EQ("", view.nextLyric);
    EXPECT_EQ(-1, view.lyricFill);  // the artist's line or the hint: nothing to fill
    heardFor(3100);
    EXPECT_EQ("●●●", view.nextLyric);
    heardFor(4100);
    EXPECT_EQ("●●", view.nextLyric);
    for (int t = 2; t <= 6; ++t) take.TimerTextTimer();  // second 6 shows the line early
    EXPECT_EQ("abcdefghij", view.lyric);
    heardFor(5500);
    EXPECT_EQ("●", view.nextLyric);
    EXPECT_EQ(0, view.lyricFill);
    heardFor(8500);  // half way to the next line
    EXPECT_EQ("next", view.nextLyric);
    EXPECT_NEAR(5, view.lyricFill, 0.1);
    // Nothing heard (the player stopped): no fill.
    player.heardAt.reset();
    take.LyricsFrame();
    EXPECT_EQ(-1, view.lyricFill);
}
