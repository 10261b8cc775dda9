// The "调音" settings as the workflow keeps them: the user's file, a key's
// copy of the accompaniment made with progress and a cancel, a take played
// and mixed in the key it was sung in, and a mix rebuilt when the settings
// change. Without a display: a view of its own, a fake input under the real
// recorder, a fake player, real files and the real key change.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTest>

#include "audio/MixDown.h"
#include "base/Global.h"
#include "tests/support/FakeAudioInput.h"
#include "tests/support/FakeWavPlayer.h"
#include "tests/support/RecordedMessages.h"
#include "tests/support/RecordedView.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFiles.h"
#include "workflow/StudioController.h"
#include "workflow/TakeController.h"
#include "workflow/TakeMix.h"

namespace {

class StudioControllerTest : public ::testing::Test {
protected:
    StudioControllerTest() {
        SetWorkFolders(dir.path("tavimo"), true, QString());
        QDir().mkpath(dir.path("temp"));
        InitWavHeader(session.CurrentFormat, 2, 44100, 16);
        WriteWavFile(temp("bgsound.wav"), 2, 44100, SineSamples(440, 2, 44100, 2, 8000));
        session.MusicFile = dir.path("song.mp3");
    }
    ~StudioControllerTest() override {
        if (session.State.phase() == TakePhase::Recording) take.ButtonRecordClick();
    }
    QString temp(const char* name) const { return dir.path("temp/") + name; }
    bool waitForKey() {
        return QTest::qWaitFor([&] { return !studio.keyChangeRunning(); }, 20000);
    }
    void recordATake() {
        take.ButtonRecordClick();
        ASSERT_TRUE(input->returnBlock(2646, 7));
        take.ButtonRecordClick();
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
    StudioController studio{session, dir.path("config/tavimo/studio.ini")};
};

}  // namespace

TEST(StudioSettingsFile, SettingsSurviveARestartAndAGarbledFileGivesTheDefaults) {
    TempDir dir;
    const QString path = dir.path("config/tavimo/studio.ini");
    EXPECT_EQ(StudioSettings{}, LoadStudioSettings(path));  // no file yet
    StudioSettings chosen;
    chosen.mix = {60, 140, effects::ReverbPreset::Studio, true};
    chosen.keySemitones = -3;
    ASSERT_TRUE(SaveStudioSettings(path, chosen));
    EXPECT_EQ(chosen, LoadStudioSettings(path));
    dir.write("config/tavimo/studio.ini",
              "voice=abc\naccompaniment=999\nreverb=7\nevenLoudness=yes\nkey=-12\n\x01\xff[");
    EXPECT_EQ(StudioSettings{}, LoadStudioSettings(path));
}

TEST_F(StudioControllerTest, AKeyHasItsCopyMadeBeforeATakeCanPlayIt) {
    studio.SetKey(2);
    EXPECT_EQ(0, view.keyProgress);
    EXPECT_TRUE(session.State.accompanimentBusy());
    take.ButtonRecordClick();  // waits for the key
    EXPECT_EQ(TakePhase::Idle, session.State.phase());
    ASSERT_TRUE(waitForKey());
    EXPECT_EQ(-1, view.keyProgress);
    EXPECT_EQ(2, session.AccompanimentKey);
    ASSERT_TRUE(QFile::exists(temp("bgsound+2.wav")));
    EXPECT_EQ(2, LoadStudioSettings(dir.path("config/tavimo/studio.ini")).keySemitones);

    // The take plays the copy, and no key can change while it runs.
    take.ButtonRecordClick();
    EXPECT_EQ(temp("bgsound+2.wav"), player.fileName());
    EXPECT_FALSE(view.keyEditable);
    studio.SetKey(-1);
    EXPECT_EQ(2, view.studioShown.keySemitones);
    ASSERT_TRUE(input->returnBlock(2646, 7));
    take.ButtonRecordClick();
    EXPECT_TRUE(view.keyEditable);

    // Changed after the take, the key does not change the take's mix.
    studio.SetKey(0);
    EXPECT_FALSE(studio.keyChangeRunning());
    EXPECT_EQ(QStringLiteral("试听和保存用录歌时的音调（+2）"), view.studioNote);
    take.ButtonPlayClick();
    const QByteArray previewed = dir.read("temp/mix.wav");
    WavHeader format = session.CurrentFormat;
    ASSERT_TRUE(MixDown(TempFolder(), format, session.Studio.mix, "bgsound+2.wav"));
    EXPECT_EQ(dir.read("temp/mix.wav"), previewed) << "the mix is over the copy in +2";
    EXPECT_TRUE(messages.all().isEmpty()) << messages.texts().join('|').toStdString();
}

TEST_F(StudioControllerTest, ACancelledKeyChangeLeavesTheKeyInForceAndNoFile) {
    WriteWavFile(temp("bgsound.wav"), 2, 44100, SineSamples(440, 60, 44100, 2, 8000));
    studio.SetKey(-4);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.keyProgress > 0; }, 10000));
    studio.CancelKeyChange();
    EXPECT_FALSE(studio.keyChangeRunning());
    EXPECT_FALSE(session.State.accompanimentBusy());
    EXPECT_EQ(0, view.studioShown.keySemitones);
    EXPECT_EQ(0, session.Studio.keySemitones);
    QTest::qWait(200);
    EXPECT_FALSE(QFile::exists(temp("bgsound-4.wav")));
}

TEST_F(StudioControllerTest, APreviewRebuildsAMixMadeUnderOtherSettings) {
    recordATake();
    take.ButtonPlayClick();
    take.ButtonPlayClick();
    const QByteArray plain = dir.read("temp/mix.wav");
    // The same settings: the mix is played as it is.
    take.ButtonPlayClick();
    take.ButtonPlayClick();
    EXPECT_EQ(plain, dir.read("temp/mix.wav"));
    studio.SetAccompanimentPercent(0);
    take.ButtonPlayClick();
    EXPECT_NE(plain, dir.read("temp/mix.wav"));
    EXPECT_TRUE(MixIsCurrent(session));
}
