// From the choice of an MP3 or WMA file to the preview, in the running window: the
// accompaniment is decoded, a take is sung over it by the test sound server's
// 440 Hz microphone, and the preview plays the mix of both.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "controls/ClickableLabel.h"
#include "controls/TCGauge.h"
#include "controls/TEzRgnBtn.h"
#include "platform/WavPlayer.h"
#include "tests/import/ImportFixture.h"
#include "tests/support/SinkMonitor.h"
#include "tests/support/WavFiles.h"

namespace {

constexpr int kRate = 44100;
constexpr double kVoiceHz = 440;  // the test microphone
constexpr double kSongHz = 1000;  // the accompaniment
constexpr double kNeitherHz = 2500;

std::vector<int16_t> Span(const std::vector<int16_t>& mono, double fromSeconds, double seconds) {
    const auto from = std::min(mono.size(), static_cast<size_t>(fromSeconds * kRate));
    const auto to = std::min(mono.size(), from + static_cast<size_t>(seconds * kRate));
    return std::vector<int16_t>(mono.begin() + static_cast<std::ptrdiff_t>(from),
                                mono.begin() + static_cast<std::ptrdiff_t>(to));
}

class ImportTakeTest : public ImportTest {
protected:
    // Imports `song` (a four-second 1000 Hz tone, `expectedSeconds` long once
    // decoded with the coder's delay and padding) by a click, sings a take
    // over it, previews the mix and checks what was played and written.
    void RecordOverAndPreview(const QString& song, int expectedSeconds);
};

}  // namespace

TEST_F(ImportTakeTest, AnImportedSongIsRecordedOverAndPreviewedAsAMix) {
    OpenWindow();
    InstallOstrel();
    RecordOverAndPreview(MakeMp3("Tone Song.mp3", 2, kRate, 4.0, kSongHz), 5);
}

TEST_F(ImportTakeTest, AWmaSongToo) {
    OpenWindow();
    InstallPellin();
    RecordOverAndPreview(MakeWma("Tone Song.WMA", 2, kRate, 4.0, kSongHz), 4);
}

void ImportTakeTest::RecordOverAndPreview(const QString& song, int expectedSeconds) {
    window->OpenDialog = [&] { return song; };

    // The user clicks "选取本地伴奏" and picks the file.
    QTest::mouseClick(window->LabelSelbanzou, Qt::LeftButton);
    ASSERT_EQ("已导入伴奏: Tone Song", window->LabelCur->text())
        << messages.texts().join("; ").toStdString();
    const WavContents bgsound = ReadWavFile(Bgsound());
    ASSERT_TRUE(bgsound.ok);
    ASSERT_EQ(2, bgsound.header.channels);
    const int seconds = static_cast<int>((bgsound.fileBytes - 44 + 176399) / 176400);
    EXPECT_EQ(expectedSeconds, seconds);
    EXPECT_EQ(QString::asprintf("/00:%02d", seconds), window->LabelTimeTotal->text());
    EXPECT_EQ(seconds, window->ProgressBar->MaxValue());

    // A take of two seconds or more over the accompaniment.
    SinkMonitor duringTake(dir.path("take-speakers.raw"));
    ASSERT_TRUE(duringTake.started());
    window->EzRgnBtnRecord->Click();
    EXPECT_EQ(1, window->EzRgnBtnRecord->Tag());
    EXPECT_TRUE(window->TimerText->isActive());
    EXPECT_TRUE(window->MediaPlayer->isPlaying());
    EXPECT_EQ(Bgsound(), window->MediaPlayer->fileName());
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->LabelTimeDone->text() == "00:03"; }, 6000))
        << window->LabelTimeDone->text().toStdString();
    EXPECT_EQ(3, window->ProgressBar->Progress());
    // The test microphone hands its sound over in pieces of about two
    // seconds; the take goes on until the first one is in the file.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return QFileInfo(dir.path("temp/record.wav")).size() > 44 + 88200; }, 6000));
    window->EzRgnBtnRecord->Click();
    EXPECT_EQ(0, window->EzRgnBtnRecord->Tag());
    EXPECT_EQ("录制完毕 Tone Song", window->LabelCur->text());
    EXPECT_FALSE(window->TimerText->isActive());
    const std::vector<int16_t> takeHeard = FromFirstSound(duringTake.finish());
    EXPECT_TRUE(messages.all().isEmpty()) << messages.texts().join("; ").toStdString();

    // The speakers played the accompaniment, not the voice.
    ASSERT_GT(takeHeard.size(), static_cast<size_t>(kRate));
    const std::vector<int16_t> heard = Span(takeHeard, 0.1, 1.0);
    EXPECT_GT(ToneAmplitude(heard, kRate, kSongHz), 1000);
    EXPECT_LT(ToneAmplitude(heard, kRate, kVoiceHz), ToneAmplitude(heard, kRate, kSongHz) / 20);

    const WavContents voice = ReadWavFile(dir.path("temp/record.wav"));
    ASSERT_TRUE(voice.ok);
    EXPECT_EQ(1, voice.header.channels);
    EXPECT_EQ(static_cast<uint32_t>(kRate), voice.header.sampleRate);
    ASSERT_GT(voice.samples.size(), static_cast<size_t>(kRate));
    EXPECT_EQ(kVoiceHz, DominantFrequency(voice.samples, kRate, 200, 2000, 10));

    // The preview mixes the two and plays the mix.
    ASSERT_TRUE(window->EzRgnBtnPlay->Enabled());
    SinkMonitor duringPreview(dir.path("preview-speakers.raw"));
    ASSERT_TRUE(duringPreview.started());
    window->EzRgnBtnPlay->Click();
    EXPECT_TRUE(messages.all().isEmpty()) << messages.texts().join("; ").toStdString();
    EXPECT_EQ("正在试听: Tone Song...", window->LabelCur->text());
    EXPECT_TRUE(window->MediaPlayer->isPlaying());
    EXPECT_EQ(dir.path("temp/mix.wav"), window->MediaPlayer->fileName());

    const WavContents mix = ReadWavFile(dir.path("temp/mix.wav"));
    ASSERT_TRUE(mix.ok);
    EXPECT_EQ(2, mix.header.channels);
    EXPECT_EQ(static_cast<uint32_t>(kRate), mix.header.sampleRate);
    EXPECT_EQ(16, mix.header.bitsPerSample);
    const size_t frames = std::max(bgsound.samples.size() / 2, voice.samples.size());
    EXPECT_EQ(frames * 2, mix.samples.size());
    EXPECT_EQ(frames * 4, mix.header.dataSize);
    // Both channels carry the song and the voice where both sound.
    for (int channel = 0; channel < 2; ++channel) {
        SCOPED_TRACE(channel);
        const std::vector<int16_t> both = Span(Channel(mix.samples, 2, channel), 0.2, 1.0);
        const double neither = ToneAmplitude(both, kRate, kNeitherHz);
        EXPECT_GT(ToneAmplitude(both, kRate, kSongHz), 1000);
        EXPECT_GT(ToneAmplitude(both, kRate, kVoiceHz), 1000);
        EXPECT_LT(neither * 20, ToneAmplitude(both, kRate, kVoiceHz));
    }

    // The timer counts the preview until the gauge is full, then the player stops.
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return !window->TimerText->isActive(); }, (seconds + 4) * 1000));
    EXPECT_EQ(QString::asprintf("00:%02d", seconds), window->LabelTimeDone->text());
    EXPECT_EQ(seconds, window->ProgressBar->Progress());
    EXPECT_FALSE(window->MediaPlayer->isPlaying());
    EXPECT_EQ(0, window->EzRgnBtnPlay->Tag());

    const std::vector<int16_t> previewHeard = FromFirstSound(duringPreview.finish());
    ASSERT_GT(previewHeard.size(), static_cast<size_t>(kRate));
    const std::vector<int16_t> mixHeard = Span(previewHeard, 0.2, 1.0);
    EXPECT_GT(ToneAmplitude(mixHeard, kRate, kSongHz), 1000);
    EXPECT_GT(ToneAmplitude(mixHeard, kRate, kVoiceHz), 1000);
    EXPECT_TRUE(messages.all().isEmpty()) << messages.texts().join("; ").toStdString();
}
