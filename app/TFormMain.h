#pragma once
// The program's one window: a borderless, skinned 600 x 400 window with the
// site pane, the volume sliders, the recording buttons and the lyric lines.
// It owns the recorder, the player, the mixer control and the session; the
// recording workflow's handlers live in workflow/ and reach the window
// through MainWindowView, which it implements with its widgets.

#include <QDateTime>
#include <QPoint>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/MixerBinding.h"
#include "app/SettingsList.h"
#include "app/SoundDevices.h"
#include "audio/TAudioRecord.h"
#include "audio/TMixer.h"
#include "workflow/AccompanimentImport.h"
#include "workflow/LatencyCorrections.h"
#include "workflow/LatencyTest.h"
#include "workflow/LiveAids.h"
#include "workflow/LiveAidsView.h"
#include "workflow/MicrophoneChoice.h"
#include "workflow/MainWindowView.h"
#include "workflow/Session.h"
#include "workflow/SongExport.h"
#include "workflow/StudioController.h"
#include "workflow/TakeController.h"

class ClickableLabel;
class LyricLabel;
class QFrame;
class QLabel;
class QSlider;
class QTimer;
class SitePane;
class TCGauge;
class TEzRgnBtn;
class TImageList;
class TFormStudio;

class LevelMeterBar;

class TFormMain : public QWidget, public MainWindowView, public LiveAidsView, public Session {
    Q_OBJECT
public:
    // `programPath` is the program file's full path; the work folders and the
    // settings file are derived from it.
    explicit TFormMain(const QString& programPath, QWidget* parent = nullptr);
    ~TFormMain() override;

    // Components, in creation order.
    LyricLabel* LabelText = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* LabelCaption = nullptr;
    ClickableLabel* LabelSelbanzou = nullptr;
    QLabel* LabelTimeTotal = nullptr;
    QLabel* LabelTimeDone = nullptr;
    QLabel* LabelTextNext = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* LabelCur = nullptr;
    QSlider* TrackBarOut = nullptr;
    QSlider* TrackBarIn = nullptr;
    // The microphone's level, under its slider.
    LevelMeterBar* MeterIn = nullptr;
    TEzRgnBtn* EzRgnBtnMini = nullptr;
    TEzRgnBtn* EzRgnBtnHelp = nullptr;
    TEzRgnBtn* EzRgnBtnClose = nullptr;
    QWidget* SitePaneHost = nullptr;  // the site pane's place
    QFrame* Panel1 = nullptr;
    TCGauge* ProgressBar = nullptr;
    TEzRgnBtn* EzRgnBtnPlay = nullptr;
    TEzRgnBtn* EzRgnBtnSave = nullptr;
    TEzRgnBtn* EzRgnBtnUpload = nullptr;
    TEzRgnBtn* EzRgnBtnRecord = nullptr;
    // Opens the "调音" window.
    TEzRgnBtn* EzRgnBtnStudio = nullptr;
    QTimer* TimerText = nullptr;
    QTimer* TimerShow = nullptr;
    // The lyric line's frames while TimerText runs.
    QTimer* TimerLyrics = nullptr;
    const TImageList* ImageListStart = nullptr;
    const TImageList* ImageListPlay = nullptr;

    // The open dialog of the accompaniment import: the chosen file or "".
    // Replaceable, so the import can be driven without a person at the screen.
    std::function<QString()> OpenDialog;
    // The save dialog of the MP3 export: proposed name in, chosen path or "" out.
    std::function<QString(const QString&)> SaveDialog;

    // The sound server's mixer: microphone and playback volumes.
    TMixer MainMixer;

    SettingsList Settings;
    bool Dragging = false;
    QPoint LastCursorPos;
    QDateTime OpenTime;

private:
    // Declared before the handlers that are given them.
    SoundDevices sound_;
    std::unique_ptr<TAudioRecord> recorder_;

public:
    // The long-lived audio objects; the recorder is gone after FormDestroy.
    TAudioRecord* Recorder = nullptr;
    platform::WavPlayer* MediaPlayer = nullptr;

    // The recording workflow's handlers.
    TakeController Take;
    AccompanimentImport Import;
    SongExport Export;
    StudioController Studio;
    // The singing aids: the microphone, the level meter and hearing
    // oneself, the latency test.
    LatencyCorrections Corrections;
    LiveAids Live;
    MicrophoneChoice Microphones;
    LatencyTest Latency;
    // The "调音" window, made when first opened.
    TFormStudio* FormStudio = nullptr;
    void ButtonStudioClick();

    // The site pane: the site's pages and its song links.
    SitePane* Site = nullptr;

    // The window's own events.
    void FormCloseQuery(bool& canClose);
    void FormDestroy();
    void ImageMouseDown();
    void ImageMouseMove();
    void ImageMouseUp();
    void EzRgnBtnMiniClick();
    void EzRgnBtnCloseClick();
    void EzRgnBtnHelpClick();
    void ButtonUploadClick();
    void TimerShowTimer();

    // What the workflow shows on the window.
    void setControlEnabled(WindowControl control, bool enabled) override;
    void setControlTag(WindowControl control, int tag) override;
    void setButtonFace(WindowControl control, int frame) override;
    void setControlHint(WindowControl control, const QString& hint) override;
    void setStatus(const QString& text) override;
    void setElapsedTime(const QString& text) override;
    void setTotalTime(const QString& text) override;
    void setGauge(int progress, int maximum) override;
    void setLyricLines(const QString& current, const QString& next) override;
    void setNextLyricLine(const QString& next) override;
    void setLyricFill(double characters) override;
    void setLyricsBold(bool bold) override;
    void setCaption(const QString& caption) override;
    void setTimerRunning(bool running) override;
    void setBusyCursor(bool busy) override;
    std::unique_ptr<QObject> showNote(const QString& text) override;
    QString chooseAccompaniment() override;
    QString chooseSongDestination(const QString& proposedName) override;
    Status exportSong(const QString& mix, const QString& destination) override;
    void showStudioSettings(const StudioSettings& settings) override;
    void setKeyEditable(bool editable) override;
    void setKeyProgress(double shareDone) override;
    void setStudioNote(const QString& text) override;
    void setInputLevel(const LevelReading& reading) override;
    void showMicrophones(const QStringList& descriptions, int current) override;
    void setLiveNote(const QString& text) override;
    void setLatencyCorrection(std::optional<int> ms) override;
    void setLatencyTestRunning(bool running) override;
    void setLatencyNote(const QString& text) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void CreateComponents();
    void Construct(const QString& programPath);
    void ConnectHandlers();
    // The rest of the start, once the window has been painted: the
    // program's icon, the mixer and the site pane.
    void FinishStart();
    // Opens the mixer, shows its volumes on the sliders, selects and
    // unmutes the microphone, unmutes the speakers.
    void ConnectSound();
    QWidget* Control(WindowControl control) const;
    TEzRgnBtn* Button(WindowControl control) const;

    MixerBinding* mixerBinding_ = nullptr;
    std::unique_ptr<TImageList> imageListStart_;
    std::unique_ptr<TImageList> imageListPlay_;
    QString programFileName_;
    bool destroyed_ = false;
    bool painted_ = false;
    bool keyEditable_ = true;
    double keyProgress_ = -1;
    // What the "调音" window shows once it is made.
    QStringList microphones_;
    int microphoneInUse_ = -1;
    QString liveNote_, latencyNote_;
    std::optional<int> correctionMs_;
    bool latencyTestRunning_ = false;
};
