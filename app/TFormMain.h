#pragma once
// The program's one window: a borderless, skinned 600 x 400 window with the
// site pane, the volume sliders, the recording buttons and the lyric lines.
// It owns the recorder, the mixer control and the session's state; the
// recording workflow's handlers live in workflow/ and act on its parts.

#include <QDateTime>
#include <QPoint>
#include <QWidget>
#include <memory>

#include "app/MixerBinding.h"
#include "app/SettingsList.h"
#include "audio/TMixer.h"
#include "workflow/AccompanimentImport.h"
#include "workflow/MainWindowParts.h"
#include "workflow/SongExport.h"
#include "workflow/TakeController.h"

class QLabel;
class QSlider;
class QTimer;
class SitePane;
class QFrame;

class TFormMain : public QWidget, public MainWindowParts {
    Q_OBJECT
public:
    // `programPath` is the program file's full path; the work folders and the
    // settings file are derived from it.
    explicit TFormMain(const QString& programPath, QWidget* parent = nullptr);
    ~TFormMain() override;

    // Components, in creation order.
    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* LabelCaption = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label3 = nullptr;
    QSlider* TrackBarOut = nullptr;
    QSlider* TrackBarIn = nullptr;
    TEzRgnBtn* EzRgnBtnMini = nullptr;
    TEzRgnBtn* EzRgnBtnHelp = nullptr;
    TEzRgnBtn* EzRgnBtnClose = nullptr;
    QWidget* SitePaneHost = nullptr;  // the site pane's place
    QFrame* Panel1 = nullptr;
    QTimer* TimerShow = nullptr;

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

    // The window's own events.
    virtual void FormCloseQuery(bool& canClose);
    void FormDestroy();
    void ImageMouseDown();
    void ImageMouseMove();
    void ImageMouseUp();
    void EzRgnBtnMiniClick();
    void EzRgnBtnCloseClick();
    void EzRgnBtnHelpClick();
    void ButtonUploadClick();
    void TimerShowTimer();

    // The site pane: the site's pages and its song links.
    SitePane* Site = nullptr;

    // The recording workflow's handlers.
    TakeController Take{*this};
    AccompanimentImport Import;
    SongExport Export;

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

    MixerBinding* mixerBinding_ = nullptr;
    std::unique_ptr<TAudioRecord> recorder_;
    std::unique_ptr<platform::WavPlayer> player_;
    std::unique_ptr<TImageList> imageListStart_;
    std::unique_ptr<TImageList> imageListPlay_;
    QString programFileName_;
    bool destroyed_ = false;
    bool painted_ = false;
};
