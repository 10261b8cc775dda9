#pragma once
// The main window as the recording workflow sees it: the controls it drives
// and the windows it opens, without a widget in sight. The window implements
// it with its widgets; the workflow's tests with a record of their own.
// UI thread only.

#include <QObject>
#include <QString>
#include <memory>

#include "base/Result.h"
#include "workflow/StudioSettings.h"

// The window's controls that the workflow enables, disables or marks.
enum class WindowControl {
    Import,  // the "选取本地伴奏" label
    Record,  // EzRgnBtnRecord
    Play,    // EzRgnBtnPlay
    Save,    // EzRgnBtnSave
    Upload,  // EzRgnBtnUpload
};

class MainWindowView {
public:
    virtual ~MainWindowView() = default;

    virtual void setControlEnabled(WindowControl control, bool enabled) = 0;
    // The button's Tag, where the take's state shows (TakeState writes it).
    virtual void setControlTag(WindowControl control, int tag) = 0;
    // The record button's or the preview button's face (a frame of its
    // image list) and its hint.
    virtual void setButtonFace(WindowControl control, int frame) = 0;
    virtual void setControlHint(WindowControl control, const QString& hint) = 0;

    virtual void setStatus(const QString& text) = 0;        // LabelCur
    virtual void setElapsedTime(const QString& text) = 0;   // LabelTimeDone
    virtual void setTotalTime(const QString& text) = 0;     // LabelTimeTotal
    virtual void setGauge(int progress, int maximum) = 0;   // ProgressBar
    virtual void setLyricLines(const QString& current, const QString& next) = 0;
    virtual void setNextLyricLine(const QString& next) = 0;
    // How many characters of the current line are filled in (below 0: none).
    virtual void setLyricFill(double characters) = 0;
    virtual void setLyricsBold(bool bold) = 0;
    virtual void setCaption(const QString& caption) = 0;   // the window's title
    // TimerText, whose ticks call TakeController::TimerTextTimer, and with it
    // the lyric frames (30 or more a second), which call LyricsFrame.
    virtual void setTimerRunning(bool running) = 0;
    virtual void setBusyCursor(bool busy) = 0;

    // The "调音" window: its settings as they stand, whether the key may be
    // changed (not during a take), how far a key change has come (below 0:
    // none runs) and a line about what the mix uses.
    virtual void showStudioSettings(const StudioSettings& settings) = 0;
    virtual void setKeyEditable(bool editable) = 0;
    virtual void setKeyProgress(double shareDone) = 0;
    virtual void setStudioNote(const QString& text) = 0;

    // The small message window with `text`, shown until the object goes.
    virtual std::unique_ptr<QObject> showNote(const QString& text) = 0;
    // The open dialog of an accompaniment: the chosen path, or "".
    virtual QString chooseAccompaniment() = 0;
    // The save dialog of the song: proposed file name in, chosen path or "" out.
    virtual QString chooseSongDestination(const QString& proposedName) = 0;
    // The MP3 export of `mix` into `destination`, with its progress window.
    virtual Status exportSong(const QString& mix, const QString& destination) = 0;
};
