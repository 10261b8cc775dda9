// The save button of the main window, pressed with the mouse on the real
// window: it ends a running preview, mixes the take down anew, asks for the
// destination under the proposed name and encodes the mix through the
// encoder library beside the program. The last test goes through a whole
// take as a user would and reads the saved MP3 back with mpg123.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <string>

#include "app/TFormMain.h"
#include "audio/MixDown.h"
#include "effects/Loudness.h"
#include "controls/ClickableLabel.h"
#include "controls/TEzRgnBtn.h"
#include "controls/TImageList.h"
#include "platform/WavPlayer.h"
#include "tests/support/Mp3Files.h"
#include "tests/support/Mp3Probe.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/RecordedMessages.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFiles.h"

namespace {

constexpr int kRate = 44100;
const QString kSuffix = QStringLiteral("_Quaviro录歌制作.mp3");

// An accompaniment as the user would have it: a stereo MP3 file made by lame.
// Returns lame's complaint, empty on success.
std::string MakeAccompaniment(const QString& mp3Path, const std::vector<int16_t>& samples) {
    return MakeMp3(mp3Path, 2, kRate, samples, {QStringLiteral("-b"), QStringLiteral("128")})
        .toStdString();
}

// The MP3 files anywhere below `folder`.
QStringList Mp3FilesIn(const QString& folder) {
    QStringList found;
    QDirIterator it(folder, {QStringLiteral("*.mp3")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) found << it.next();
    return found;
}

// The mix that MixDown must make of these two files: the accompaniment's
// format, as long as the longer input, the shorter one going on as silence.
std::vector<int16_t> ExpectedMix(const WavContents& bgsound, const WavContents& record) {
    const int channels = bgsound.header.channels;
    const size_t frames = std::max(bgsound.samples.size() / channels, record.samples.size());
    std::vector<int16_t> mix;
    for (size_t i = 0; i < frames; ++i) {
        const int16_t v = i < record.samples.size() ? record.samples[i] : 0;
        for (int c = 0; c < channels; ++c) {
            const size_t at = i * channels + c;
            const int16_t a = at < bgsound.samples.size() ? bgsound.samples[at] : 0;
            mix.push_back(channels == 1 ? static_cast<int16_t>(std::clamp(a + v, -32768, 32767))
                                        : MixSamples(a, v));
        }
    }
    return mix;
}

// A stretch of a signal, in whole frames.
std::vector<int16_t> Stretch(const std::vector<int16_t>& mono, size_t begin, size_t count) {
    if (begin >= mono.size()) return {};
    const size_t end = std::min(mono.size(), begin + count);
    return std::vector<int16_t>(mono.begin() + static_cast<std::ptrdiff_t>(begin),
                                mono.begin() + static_cast<std::ptrdiff_t>(end));
}

class SaveSongTest : public ::testing::Test {
protected:
    // The window of a program in the test's folder, with the decoder library
    // and, unless told otherwise, the encoder library beside it.
    // With `programsSaveDialog` the window keeps its own save dialog.
    std::unique_ptr<TFormMain> makeWindow(bool withEncoder = true,
                                          bool programsSaveDialog = false) {
        EXPECT_TRUE(QFile::copy(TAVIMO_PROGRAM_DIR "/ostrel.so", dir.path("ostrel.so")));
        if (withEncoder) {
            EXPECT_TRUE(QFile::copy(TAVIMO_PROGRAM_DIR "/lame_enc.so", dir.path("lame_enc.so")));
        }
        auto window = std::make_unique<TFormMain>(dir.path("tavimo"));
        // Nobody at the screen: the dialogs are answered here.
        window->OpenDialog = [] { return QString(); };
        if (!programsSaveDialog) {
            window->SaveDialog = [this](const QString& proposed) {
                proposedNames << proposed;
                return QString();
            };
        }
        window->move(60, 60);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return window;
    }

    QString temp(const QString& name) const { return dir.path(QStringLiteral("temp/") + name); }

    // A click of the left mouse button in the middle of a control.
    static void Press(QWidget* control) {
        QTest::mouseClick(control, Qt::LeftButton, {}, control->rect().center());
    }

    // The test microphone hands its sound over in pieces of about two
    // seconds, the first one about two seconds after a take starts.
    static constexpr int kMicWaitMs = 15000;

    // Seconds of voice in record.wav as it stands.
    double RecordedSeconds() const {
        return (QFile(temp("record.wav")).size() - 44) / (2.0 * kRate);
    }

    // A take with the record button, from the default microphone, ended
    // once record.wav holds some voice.
    void RecordTake(TFormMain& window) {
        Press(window.EzRgnBtnRecord);
        ASSERT_EQ(1, window.EzRgnBtnRecord->Tag());
        EXPECT_TRUE(QTest::qWaitFor([&] { return RecordedSeconds() > 0; }, kMicWaitMs));
        Press(window.EzRgnBtnRecord);
        ASSERT_EQ(0, window.EzRgnBtnRecord->Tag());
        ASSERT_TRUE(window.EzRgnBtnSave->Enabled());
        ASSERT_GT(RecordedSeconds(), 0);
    }

    TempDir dir;
    RecordedMessages messages;
    QStringList proposedNames;
};

TEST_F(SaveSongTest, SavingDuringAPreviewEndsThePreviewFirst) {
    auto window = makeWindow();
    // An accompaniment as an import leaves it.
    WriteWavFile(temp("bgsound.wav"), 2, kRate, SineSamples(1000, 3, kRate, 2, 8000));
    window->MusicFile = dir.path("Song.mp3");
    RecordTake(*window);
    Press(window->EzRgnBtnPlay);
    ASSERT_EQ(1, window->EzRgnBtnPlay->Tag());
    ASSERT_TRUE(window->MediaPlayer->isPlaying());
    ASSERT_EQ(window->ImageListPlay->frame(1), window->EzRgnBtnPlay->PicIdle());

    // How the window stood when the save asked for the destination.
    struct Seen {
        bool asked = false;
        int playTag = -1;
        bool faceZero = false;
        QString hint, status;
        bool playing = true, open = true, timerActive = true;
    } seen;
    const QString destination = dir.path("during preview.mp3");
    window->SaveDialog = [&](const QString&) {
        seen.asked = true;
        seen.playTag = window->EzRgnBtnPlay->Tag();
        seen.faceZero = window->EzRgnBtnPlay->PicIdle() == window->ImageListPlay->frame(0);
        seen.hint = window->EzRgnBtnPlay->toolTip();
        seen.status = window->LabelCur->text();
        seen.playing = window->MediaPlayer->isPlaying();
        seen.open = window->MediaPlayer->isOpen();
        seen.timerActive = window->TimerText->isActive();
        return destination;
    };
    Press(window->EzRgnBtnSave);

    ASSERT_TRUE(seen.asked);
    EXPECT_EQ(0, seen.playTag);
    EXPECT_TRUE(seen.faceZero);
    EXPECT_EQ("试听", seen.hint);
    EXPECT_EQ("停止试听: Song...", seen.status);
    EXPECT_FALSE(seen.playing);
    EXPECT_FALSE(seen.open);
    EXPECT_FALSE(seen.timerActive);

    // And then it saved.
    EXPECT_TRUE(messages.all().isEmpty()) << messages.texts().join("\n").toStdString();
    const Mp3Description mp3 = DescribeMp3(destination);
    EXPECT_TRUE(mp3.ok) << mp3.log.toStdString();
    EXPECT_EQ("j-s", mp3.mode);  // the stereo accompaniment's mix
    EXPECT_EQ(0, window->EzRgnBtnPlay->Tag());
}

TEST_F(SaveSongTest, EverySaveMixesTheTakeDownAnew) {
    auto window = makeWindow();
    WriteWavFile(temp("bgsound.wav"), 2, kRate, SineSamples(1000, 1, kRate, 2, 8000));
    window->MusicFile = dir.path("Song.mp3");
    RecordTake(*window);
    // A mix from before, of another shape, that must not be saved.
    WriteWavFile(temp("mix.wav"), 1, 22050, SineSamples(3000, 0.2, 22050, 1));

    WavContents mixAsked;
    window->SaveDialog = [&](const QString&) {
        mixAsked = ReadWavFile(temp("mix.wav"));
        return QString();
    };
    Press(window->EzRgnBtnSave);
    const WavContents bgsound = ReadWavFile(temp("bgsound.wav"));
    WavContents record = ReadWavFile(temp("record.wav"));
    ASSERT_TRUE(mixAsked.ok);
    EXPECT_EQ(2, mixAsked.header.channels);
    EXPECT_EQ(uint32_t{kRate}, mixAsked.header.sampleRate);
    EXPECT_TRUE(ExpectedMix(bgsound, record) == mixAsked.samples)
        << "mix of " << mixAsked.samples.size() << " samples, expected "
        << ExpectedMix(bgsound, record).size();

    // The next save mixes again, from the voice as it is now.
    WriteWavFile(temp("record.wav"), 1, kRate, SineSamples(660, 1.5, kRate, 1, 5000));
    record = ReadWavFile(temp("record.wav"));
    mixAsked = WavContents{};
    Press(window->EzRgnBtnSave);
    ASSERT_TRUE(mixAsked.ok);
    EXPECT_TRUE(ExpectedMix(bgsound, record) == mixAsked.samples);
    EXPECT_TRUE(messages.all().isEmpty()) << messages.texts().join("\n").toStdString();
}

TEST_F(SaveSongTest, AFailingMixDownAsksForNoDestination) {
    auto window = makeWindow();
    RecordTake(*window);
    // An accompaniment chosen, but neither its bgsound.wav nor the voice is
    // there; a mix from before is.
    window->MusicFile = dir.path("Song.mp3");
    ASSERT_FALSE(QFile::exists(temp("bgsound.wav")));
    ASSERT_TRUE(QFile::remove(temp("record.wav")));
    WriteWavFile(temp("mix.wav"), 1, kRate, SineSamples(440, 0.5, kRate, 1));
    window->SaveDialog = [this](const QString& proposed) {
        proposedNames << proposed;
        return dir.path("never.mp3");
    };
    Press(window->EzRgnBtnSave);
    ASSERT_EQ(1, messages.all().size()) << messages.texts().join("\n").toStdString();
    EXPECT_EQ("打开 bgsound.wav 失败", messages.all()[0].text);
    EXPECT_EQ("提示", messages.all()[0].caption);
    EXPECT_TRUE(proposedNames.isEmpty());
    EXPECT_TRUE(Mp3FilesIn(dir.path()).isEmpty());
}

TEST_F(SaveSongTest, TheDialogProposesTheSongsNameAndACancelSavesNothing) {
    auto window = makeWindow();
    RecordTake(*window);
    Press(window->EzRgnBtnSave);
    ASSERT_EQ(QStringList{kSuffix}, proposedNames);  // nothing imported yet
    EXPECT_TRUE(Mp3FilesIn(dir.path()).isEmpty());

    const QString song = dir.path("Song.mp3");
    ASSERT_EQ("", MakeAccompaniment(song, SineSamples(1000, 1, kRate, 2, 8000)));
    window->OpenDialog = [&] { return song; };
    Press(window->LabelSelbanzou);
    ASSERT_EQ(song, window->MusicFile);
    ASSERT_TRUE(QFile::exists(temp("bgsound.wav")));
    proposedNames.clear();
    Press(window->EzRgnBtnSave);
    EXPECT_EQ(QStringList{"Song" + kSuffix}, proposedNames);
    EXPECT_EQ(QStringList{song}, Mp3FilesIn(dir.path()));  // the cancel wrote nothing
    EXPECT_TRUE(messages.all().isEmpty()) << messages.texts().join("\n").toStdString();
}

TEST_F(SaveSongTest, WithoutTheEncoderLibraryTheUserIsToldAndNoFileIsMade) {
    auto window = makeWindow(/*withEncoder=*/false);
    RecordTake(*window);
    const QString destination = dir.path(kSuffix);
    window->SaveDialog = [&](const QString& proposed) { return dir.path(proposed); };
    Press(window->EzRgnBtnSave);
    ASSERT_EQ(1, messages.all().size()) << messages.texts().join("\n").toStdString();
    EXPECT_EQ("加载 lame_enc.so 失败", messages.all()[0].text);
    EXPECT_EQ("提示", messages.all()[0].caption);
    EXPECT_FALSE(QFile::exists(destination));
    EXPECT_TRUE(Mp3FilesIn(dir.path()).isEmpty());
    // The window goes on: the progress window is gone and the take can be
    // heard again.
    EXPECT_EQ(nullptr, QApplication::activeModalWidget());
    Press(window->EzRgnBtnPlay);
    EXPECT_TRUE(window->MediaPlayer->isPlaying());
    Press(window->EzRgnBtnPlay);
}

// The program's own save dialog, answered through its widgets: it offers the
// proposed name, adds ".mp3" to a bare name and asks before it overwrites.
TEST_F(SaveSongTest, TheSaveDialogOffersTheNameAddsTheExtensionAndAsksBeforeOverwriting) {
    // The dialog keeps its history in the toolkit's settings: here, not in
    // the home folder.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path("settings"));
    auto window = makeWindow(/*withEncoder=*/true, /*programsSaveDialog=*/true);
    QStringList chosen;  // what the program's dialog gave back
    window->SaveDialog = [&chosen, own = window->SaveDialog](const QString& proposed) {
        chosen << own(proposed);
        return chosen.last();
    };
    RecordTake(*window);

    // Acts on the modal windows as they come up, step by step.
    struct Answers {
        int step = 0;
        QString offeredName, suffix;
        QStringList filters;
        bool askedToReplace = false;
    } answers;
    const QString mine = dir.path("Mine.mp3");
    QTimer hand;
    hand.setInterval(50);
    int ticks = 0;
    QObject::connect(&hand, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (++ticks > 400) {  // 20 s: give up and let the save end; the checks fail
            if (auto* any = qobject_cast<QDialog*>(modal)) any->reject();
            return;
        }
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (answers.step == 0 && dialog) {
            QLineEdit* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!name) return;
            answers.offeredName = name->text();
            answers.suffix = dialog->defaultSuffix();
            answers.filters = dialog->nameFilters();
            // The user goes to a folder and types a name without extension.
            dialog->setDirectory(dir.path());
            name->setText(QStringLiteral("Mine"));
            answers.step = 1;
            QMetaObject::invokeMethod(static_cast<QDialog*>(dialog), &QDialog::accept,
                                      Qt::QueuedConnection);
        } else if (answers.step == 2 && dialog) {
            QLineEdit* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!name) return;
            dialog->setDirectory(dir.path());
            name->setText(QStringLiteral("Mine.mp3"));
            answers.step = 3;
            QMetaObject::invokeMethod(static_cast<QDialog*>(dialog), &QDialog::accept,
                                      Qt::QueuedConnection);
        } else if (answers.step == 3 && box && box->button(QMessageBox::No)) {
            answers.askedToReplace = true;
            box->button(QMessageBox::No)->click();
            answers.step = 4;
        } else if (answers.step == 4 && dialog) {
            answers.step = 5;
            dialog->reject();
        }
    });
    hand.start();

    Press(window->EzRgnBtnSave);
    EXPECT_EQ(QStringList{mine}, chosen);
    EXPECT_EQ(kSuffix, answers.offeredName);
    EXPECT_EQ("mp3", answers.suffix);
    EXPECT_TRUE(answers.filters.join(";").contains("*.mp3"))
        << answers.filters.join(";").toStdString();
    ASSERT_TRUE(QFile::exists(mine));
    const QByteArray first = dir.read("Mine.mp3");
    EXPECT_TRUE(DescribeMp3(mine).ok);

    answers.step = 2;
    Press(window->EzRgnBtnSave);
    hand.stop();
    EXPECT_TRUE(answers.askedToReplace);
    EXPECT_EQ(5, answers.step);
    EXPECT_EQ((QStringList{mine, QString()}), chosen);
    EXPECT_EQ(first, dir.read("Mine.mp3"));
    EXPECT_EQ(QStringList{mine}, Mp3FilesIn(dir.path()));
    EXPECT_TRUE(messages.all().isEmpty()) << messages.texts().join("\n").toStdString();
}

// A new user's first song: choose the accompaniment, sing, listen, save.
TEST_F(SaveSongTest, ATakeFromImportToTheSavedMp3) {
    constexpr double kVoiceHz = 440;  // the test microphone's tone
    constexpr double kAccompanimentHz = 1000;
    constexpr double kQuietHz = 2700;  // neither tone, nor their mixing products
    auto window = makeWindow();

    const QString song = dir.path("Song.mp3");
    ASSERT_EQ("", MakeAccompaniment(song, SineSamples(kAccompanimentHz, 8, kRate, 2, 8000)));
    window->OpenDialog = [&] { return song; };
    Press(window->LabelSelbanzou);
    ASSERT_EQ(song, window->MusicFile);
    EXPECT_EQ("已导入伴奏: Song", window->LabelCur->text());

    Press(window->EzRgnBtnRecord);
    ASSERT_EQ(1, window->EzRgnBtnRecord->Tag());
    EXPECT_TRUE(window->MediaPlayer->isPlaying());  // the accompaniment plays along
    EXPECT_TRUE(QTest::qWaitFor([&] { return RecordedSeconds() >= 3; }, kMicWaitMs));
    Press(window->EzRgnBtnRecord);
    ASSERT_EQ(0, window->EzRgnBtnRecord->Tag());
    EXPECT_EQ("录制完毕 Song", window->LabelCur->text());

    Press(window->EzRgnBtnPlay);
    ASSERT_EQ(1, window->EzRgnBtnPlay->Tag());
    EXPECT_EQ("正在试听: Song...", window->LabelCur->text());
    EXPECT_TRUE(window->MediaPlayer->isPlaying());
    QTest::qWait(1200);
    Press(window->EzRgnBtnPlay);
    EXPECT_EQ(0, window->EzRgnBtnPlay->Tag());
    EXPECT_FALSE(window->MediaPlayer->isPlaying());

    QString saved;
    window->SaveDialog = [&](const QString& proposed) {
        saved = dir.path(proposed);  // the user takes the proposed name
        return saved;
    };
    Press(window->EzRgnBtnSave);
    ASSERT_EQ("Song" + kSuffix, QFileInfo(saved).fileName());
    EXPECT_TRUE(messages.all().isEmpty()) << messages.texts().join("\n").toStdString();
    ASSERT_TRUE(QFile::exists(saved));

    const WavContents mix = ReadWavFile(temp("mix.wav"));
    ASSERT_TRUE(mix.ok);
    ASSERT_EQ(2, mix.header.channels);

    const QString decodedPath = dir.path("decoded.wav");
    const ProgramRun decode = RunProgram(
        QStringLiteral("mpg123"), {QStringLiteral("-q"), QStringLiteral("-w"), decodedPath, saved});
    ASSERT_TRUE(decode.finished);
    EXPECT_EQ(0, decode.exitCode);
    EXPECT_EQ("", decode.errorText.trimmed().toStdString());

    const Mp3Description mp3 = DescribeMp3(saved);
    ASSERT_TRUE(mp3.ok) << mp3.log.toStdString();
    EXPECT_EQ("cbr128", mp3.bitRateMode);
    EXPECT_EQ(static_cast<int>(mix.header.sampleRate), mp3.sampleRateHz);
    EXPECT_EQ("j-s", mp3.mode);

    const WavContents decoded = ReadWavFile(decodedPath);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(mix.header.channels, decoded.header.channels);
    EXPECT_EQ(mix.header.sampleRate, decoded.header.sampleRate);
    // Gapless decoding gives the mix's length back, to within one frame.
    const auto mixFrames = static_cast<int64_t>(mix.samples.size() / 2);
    const auto decodedFrames = static_cast<int64_t>(decoded.samples.size() / 2);
    EXPECT_NEAR(mixFrames, decodedFrames, 1152);

    // Both tones, in both channels, from one second in, where voice and
    // accompaniment sound together.
    for (int c = 0; c < 2; ++c) {
        const std::vector<int16_t> second = Stretch(Channel(decoded.samples, 2, c), kRate, kRate);
        ASSERT_EQ(size_t{kRate}, second.size());
        const double voice = ToneAmplitude(second, kRate, kVoiceHz);
        const double accompaniment = ToneAmplitude(second, kRate, kAccompanimentHz);
        const double quiet = ToneAmplitude(second, kRate, kQuietHz);
        EXPECT_GT(voice, 300) << "channel " << c;
        EXPECT_GT(accompaniment, 3000) << "channel " << c;
        EXPECT_GT(voice, 30 * quiet) << "channel " << c << ", at " << kQuietHz << " Hz: " << quiet;
        EXPECT_GT(accompaniment, 30 * quiet) << "channel " << c;
    }
}

}  // namespace

TEST_F(SaveSongTest, WithEvenLoudnessLoudAndQuietTakesAreSavedAtMinus14) {
    const ScopedEnv config("XDG_CONFIG_HOME", dir.path("config").toUtf8());
    auto window = makeWindow();
    window->Studio.SetEvenLoudness(true);
    window->MusicFile = dir.path("Song.mp3");
    for (double level : {26000.0, 700.0}) {
        SCOPED_TRACE(level);
        WriteWavFile(temp("bgsound.wav"), 2, kRate, SineSamples(330, 8, kRate, 2, level));
        WriteWavFile(temp("record.wav"), 1, kRate, SineSamples(550, 8, kRate, 1, level));
        const QString song = dir.path(QString::number(level) + ".mp3");
        window->SaveDialog = [&](const QString&) { return song; };
        window->Export.ButtonSaveMp3Click();  // as after a take of these files
        const WavContents decoded = DecodeMp3(song, dir.path("decoded.wav"));
        ASSERT_TRUE(decoded.ok);
        const auto figures = effects::MeasureLoudness(dir.file("decoded.wav"));
        ASSERT_TRUE(figures);
        EXPECT_NEAR(-14, figures->integratedLufs, 0.5);
        EXPECT_LE(figures->truePeakDbtp, -1.0);
    }
    EXPECT_TRUE(messages.all().isEmpty()) << messages.texts().join("\n").toStdString();
}
