#pragma once
// The program's one window: a borderless, skinned 600 x 400 window with the
// site pane, the volume sliders, the recording buttons and the lyric lines.
// It owns the recorder, the mixer control and the session's state; the
// recording workflow's handlers live in workflow/ and act on its parts.

#include <QDateTime>
#include <QPoint>
#include <QWidget>
#include <memory>

#include "app/SettingsList.h"
#include "workflow/MainWindowParts.h"

class QLabel;
class QSlider;
class QTimer;
class QWebEngineView;
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
    QWebEngineView* CppWebBrowser = nullptr;
    QFrame* Panel1 = nullptr;
    QTimer* TimerShow = nullptr;

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

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void CreateComponents();
    void Construct(const QString& programPath);

    std::unique_ptr<TImageList> imageListStart_;
    std::unique_ptr<TImageList> imageListPlay_;
    bool destroyed_ = false;
};
