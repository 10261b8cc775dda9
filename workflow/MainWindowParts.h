#pragma once
// The parts of the main window that its recording workflow drives: controls,
// the take's state fields and the long-lived audio objects. The main window
// owns and lays them out; the workflow handlers act on them through this
// record, so they can be tested on a real window without its layout code.

#include <QDateTime>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <memory>

#include "audio/WavHeader.h"
#include "workflow/Lyrics.h"

class QLabel;
class QTimer;
class QWidget;
class ClickableLabel;
class TCGauge;
class TEzRgnBtn;
class TImageList;
class TAudioRecord;
namespace platform {
class WavPlayer;
}

struct MainWindowParts {
    // The window itself: its caption shows the song title while lyrics play.
    QWidget* Window = nullptr;

    // Controls (owned by the window's widget tree).
    QLabel* LabelText = nullptr;
    QLabel* LabelTextNext = nullptr;
    ClickableLabel* LabelSelbanzou = nullptr;
    QLabel* LabelTimeTotal = nullptr;
    QLabel* LabelTimeDone = nullptr;
    QLabel* LabelCur = nullptr;
    TCGauge* ProgressBar = nullptr;
    TEzRgnBtn* EzRgnBtnPlay = nullptr;
    TEzRgnBtn* EzRgnBtnSave = nullptr;
    TEzRgnBtn* EzRgnBtnUpload = nullptr;
    TEzRgnBtn* EzRgnBtnRecord = nullptr;
    QTimer* TimerText = nullptr;
    int TimerTextTag = 0;  // elapsed-seconds counter of the running take or preview
    const TImageList* ImageListStart = nullptr;
    const TImageList* ImageListPlay = nullptr;

    // State of the session.
    QString MusicFile;  // full path of the last imported accompaniment
    // An accompaniment is being chosen, fetched or imported: a second one
    // waits until it has ended, and so does a new take.
    bool AccompanimentBusy = false;
    WavHeader CurrentFormat{};
    LyricLineMap LyricLines;
    QString LyricTitle;
    QString LyricArtist;

    // Long-lived audio objects, owned by the window.
    TAudioRecord* Recorder = nullptr;
    platform::WavPlayer* MediaPlayer = nullptr;
};
