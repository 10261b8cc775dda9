#pragma once
// The skinned push button of the main window. It draws one of four pictures
// by its state (idle, hover, pressed, disabled), takes the size of the picture
// it draws, and in crop mode cuts itself to the idle picture's shape, so that
// the key-colour pixels neither paint nor take the mouse. It keeps its own
// enabled flag: the widget itself stays enabled, so a disabled button still
// follows the mouse but shows the disabled picture and never clicks.
// From the keyboard it takes focus with Tab while enabled, shows a dotted
// focus mark once focus came by keyboard, and Space or Enter press it as
// Press() does. Screen readers see it as a push button named by its hint.
// UI thread only.

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "controls/DrawingGuard.h"
#include "controls/MouseMessage.h"

class TImageList;

enum TPaintMode {
    pmNormal = 0,       // the picture is copied as it is
    pmCrop = 1,         // as pmNormal, and the widget is cut to the idle picture's shape
    pmTransparent = 2,  // pixels of the drawn picture's key colour show what lies below
};

// A mouse callback; it gets the message record and no sender.
using TOnMouseEvent = std::function<void(MouseMessage& msg)>;

class TEzRgnBtn : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)

public:
    static constexpr int kRepeatIntervalMs = 300;
    static constexpr int kDefaultDownMs = 100;

    explicit TEzRgnBtn(QWidget* owner = nullptr);
    ~TEzRgnBtn() override;

    // While set, holding the button clicks every kRepeatIntervalMs.
    bool AutoRepeat() const { return autoRepeat_; }
    void SetAutoRepeat(bool autoRepeat);

    // The button's own enabled flag, the one way to enable it: the widget
    // itself stays enabled, so the toolkit's pair is not the button's.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Disabled() const { return !enabled_; }
    void setEnabled(bool) = delete;
    bool isEnabled() const = delete;

    // The four pictures as set; a null image means "none". Each setter copies
    // the picture and repaints at once. SetPicIdle also recomputes the region
    // when the button is cut.
    const QImage& PicIdle() const { return picIdle_; }
    const QImage& PicDown() const { return picDown_; }
    const QImage& PicUp() const { return picUp_; }
    const QImage& PicDsbld() const { return picDsbld_; }
    void SetPicIdle(const QImage& picture);
    void SetPicDown(const QImage& picture);
    void SetPicUp(const QImage& picture);
    void SetPicDsbld(const QImage& picture);

    // Replaces the idle picture's bitmap and repaints, but keeps the region
    // the button was cut to (the face swaps of a take use this).
    void AssignIdleBitmap(const QImage& picture);
    // AssignIdleBitmap with frame `frame` of `list`; false (and nothing
    // changed) when the list has no such frame.
    bool SetFace(const TImageList& list, int frame);

    TPaintMode PaintMode() const { return paintMode_; }
    void SetPaintMode(TPaintMode mode);

    // Copies frames 0..3 of `list`, as far as it has them, into the idle,
    // hover, pressed and disabled pictures; the region is kept. The list is
    // only read here; the pointer is kept for ImageList() and never read
    // again. Setting the list already set, or null, copies nothing.
    const TImageList* ImageList() const { return imageList_; }
    void SetImageList(const TImageList* list);

    // A number for the owner's use; the button does not read it.
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    // Shows the pressed picture for `milliseconds` (kDefaultDownMs for 0 or
    // less), then the picture of the state. Does not click.
    void Down(int milliseconds);

    // Emits OnClick when the button is enabled.
    void Click();

    // A press as from the keyboard or a screen reader: the pressed picture
    // for kDefaultDownMs, then Click. Nothing while disabled or while an
    // earlier press is still showing.
    void Press();

    // Whether the keyboard focus mark is drawn now.
    bool FocusMarkShown() const;

    // Picture choices with their fallbacks: pressed and hover fall back to
    // the idle choice, which is the disabled picture (or else PicIdle) while
    // disabled.
    const QImage& GetPicDown() const;
    const QImage& GetPicUp() const;
    const QImage& GetPicIdle() const;
    const QImage& GetPicDsbld() const;
    // The picture the button draws in its present state.
    const QImage& ChosenPicture() const;

    bool Cropped() const { return cropped_; }

    TOnMouseEvent OnMouseDown;
    TOnMouseEvent OnMouseEnter;
    TOnMouseEvent OnMouseLeave;
    TOnMouseEvent OnMouseUp;

signals:
    void OnClick(TEzRgnBtn* sender);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

private:
    void PictureChanged();
    void Repaint();
    void Paint();
    void CropCanvas();
    void UncropCanvas();
    void CutWindow();
    void TimerExpired();
    void DownTimerExpired();
    void CheckRepeatTimer();
    void MouseEntered(MouseMessage& msg);
    void MouseLeft(MouseMessage& msg);
    bool IsOver(QPoint point) const;
    MouseMessage MessageAt(MouseMessageId id, QPoint point) const;
    const QImage& TransparentVersion(const QImage& picture);
    const QImage& FocusRingFor(const QImage& picture);

    bool autoRepeat_ = false;
    bool enabled_ = true;
    QImage picIdle_;
    QImage picDown_;
    QImage picUp_;
    QImage picDsbld_;
    TPaintMode paintMode_ = pmNormal;
    const TImageList* imageList_ = nullptr;
    int tag_ = 0;

    bool mouseInside_ = false;
    bool buttonHeld_ = false;
    bool forcedDown_ = false;
    bool cropped_ = false;
    // Set by a press on the button, cleared by the next release, which clicks
    // when it happens over the button.
    bool clickPending_ = false;
    // Press(): the click that follows the pressed picture.
    bool pressClickPending_ = false;
    // Focus came by Tab (or a shortcut): the mark shows while focus stays.
    bool keyboardFocus_ = false;
    QTimer repeatTimer_;
    QTimer downTimer_;
    DrawingGuard drawingGuard_;

    // pmTransparent draws a copy with the key colour made transparent, kept
    // for the picture it was made from.
    qint64 transparentSourceKey_ = 0;
    QImage transparentPicture_;
    // The focus mark, kept for the picture and mode it was made for.
    qint64 focusRingSourceKey_ = 0;
    bool focusRingCut_ = false;
    QImage focusRing_;
};
