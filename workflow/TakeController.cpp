#include "workflow/TakeController.h"

#include <QFile>
#include <QLabel>
#include <QTimer>

#include "audio/TAudioRecord.h"
#include "controls/ClickableLabel.h"
#include "controls/TCGauge.h"
#include "controls/TEzRgnBtn.h"
#include "net/Global.h"
#include "platform/UserMessages.h"
#include "platform/WavPlayer.h"
#include "workflow/LyricsDisplay.h"
#include "workflow/TakeMix.h"

namespace {
QString WorkFile(const char* name) { return TempFolder() + QLatin1String(name); }
}  // namespace

QString TakeController::SongName() const { return StripFileExt(w_.MusicFile); }

void TakeController::ButtonRecordClick() {
    if (w_.EzRgnBtnRecord->Tag() == 0) {
        // The accompaniment is about to change: the take waits for it.
        if (w_.AccompanimentBusy) return;
        StartTake();
    } else if (w_.EzRgnBtnRecord->Tag() == 1) {
        EndTake();
    }
}

void TakeController::ButtonPlayClick() {
    if (w_.EzRgnBtnPlay->Tag() == 0) {
        StartPreview();
    } else {
        EndPreview();
    }
}

void TakeController::StartTake() {
    w_.EzRgnBtnRecord->setToolTip(QStringLiteral("停止录歌"));
    w_.EzRgnBtnRecord->SetTag(1);
    if (w_.EzRgnBtnPlay->Tag() == 1) ButtonPlayClick();
    w_.LabelSelbanzou->setEnabled(false);
    w_.EzRgnBtnSave->SetEnabled(false);
    w_.EzRgnBtnUpload->SetEnabled(false);
    w_.EzRgnBtnPlay->SetEnabled(false);
    w_.EzRgnBtnRecord->SetFace(*w_.ImageListStart, 1);
    w_.LabelCur->setText(QStringLiteral("正在录制 ") + SongName() + QStringLiteral("..."));
    w_.TimerTextTag = 1;
    w_.TimerText->start();
    QFile::remove(WorkFile("mix.wav"));
    if (!w_.MusicFile.isEmpty()) {
        LoadLyrics(w_, LyricsPathFor(w_.MusicFile));
        w_.MediaPlayer->setFileName(WorkFile("bgsound.wav"));
        w_.MediaPlayer->open();
        w_.MediaPlayer->play();
    }
    // The voice is always mono, at the accompaniment's rate and width, and
    // in time with the accompaniment as the singer hears it.
    if (!w_.Recorder->Start(WorkFile("record.wav").toStdString(), 1,
                            static_cast<int>(w_.CurrentFormat.sampleRate),
                            w_.CurrentFormat.bitsPerSample,
                            w_.MusicFile.isEmpty() ? nullptr : w_.MediaPlayer)) {
        AbandonTake();
    }
}

// The recorder could not start and has said why. No take was made: the
// window goes back to its look before a take, and record.wav, whatever it
// holds, is not offered to preview or save as if it were this take.
void TakeController::AbandonTake() {
    w_.TimerText->stop();
    w_.MediaPlayer->close();
    w_.EzRgnBtnRecord->SetTag(0);
    w_.EzRgnBtnRecord->setToolTip(QStringLiteral("开始录歌"));
    w_.EzRgnBtnRecord->SetFace(*w_.ImageListStart, 0);
    w_.LabelCur->setText(QStringLiteral("未能开始录制 ") + SongName());
    w_.LabelSelbanzou->setEnabled(true);
    w_.EzRgnBtnUpload->SetEnabled(true);
}

void TakeController::EndTake() {
    w_.EzRgnBtnRecord->SetTag(0);
    w_.EzRgnBtnRecord->setToolTip(QStringLiteral("重新录歌"));
    w_.EzRgnBtnRecord->SetFace(*w_.ImageListStart, 2);
    w_.LabelCur->setText(QStringLiteral("录制完毕 ") + SongName());
    w_.Recorder->Stop();
    w_.MediaPlayer->close();
    w_.TimerText->stop();
    w_.LabelSelbanzou->setEnabled(true);
    w_.EzRgnBtnSave->SetEnabled(true);
    w_.EzRgnBtnUpload->SetEnabled(true);
    w_.EzRgnBtnPlay->SetEnabled(true);
}

void TakeController::StartPreview() {
    w_.EzRgnBtnPlay->SetTag(1);
    w_.EzRgnBtnPlay->SetFace(*w_.ImageListPlay, 1);
    w_.EzRgnBtnPlay->setToolTip(QStringLiteral("停止试听"));
    // A mix is built once per take: the take's start deleted the last one.
    if (!QFile::exists(WorkFile("mix.wav"))) {
        if (!QFile::exists(WorkFile("record.wav"))) {
            platform::Messages().messageBox(QStringLiteral("请先录歌"), QStringLiteral("提示"));
            return;
        }
        if (!MixDownTake(w_)) return;
    }
    w_.LabelCur->setText(QStringLiteral("正在试听: ") + SongName() + QStringLiteral("..."));
    w_.MediaPlayer->setFileName(WorkFile("mix.wav"));
    w_.MediaPlayer->open();
    w_.MediaPlayer->play();
    LoadLyrics(w_, LyricsPathFor(w_.MusicFile));
    w_.TimerTextTag = 1;
    w_.TimerText->start();
}

void TakeController::EndPreview() {
    w_.EzRgnBtnPlay->SetTag(0);
    w_.EzRgnBtnPlay->SetFace(*w_.ImageListPlay, 0);
    w_.EzRgnBtnPlay->setToolTip(QStringLiteral("试听"));
    w_.LabelCur->setText(QStringLiteral("停止试听: ") + SongName() + QStringLiteral("..."));
    w_.TimerText->stop();
    w_.MediaPlayer->stop();
    w_.MediaPlayer->close();
}

void TakeController::TimerTextTimer() {
    const int t = ++w_.TimerTextTag;
    ShowLyricsAt(w_, t);
    w_.LabelTimeDone->setText(QString::asprintf("%02d:%02d", t / 60, t % 60));
    w_.ProgressBar->SetProgress(t);
    if (w_.ProgressBar->Progress() >= w_.ProgressBar->MaxValue()) {
        // The accompaniment is over; a take goes on recording until the user
        // ends it.
        w_.TimerText->stop();
        w_.MediaPlayer->stop();
        w_.EzRgnBtnPlay->SetTag(0);
        w_.EzRgnBtnPlay->SetFace(*w_.ImageListPlay, 0);
    }
}
