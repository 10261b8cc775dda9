#include "controls/TEzRgnBtn.h"

#include <QAccessible>
#include <QCursor>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "controls/ControlsAccessibility.h"
#include "controls/FocusRing.h"
#include "controls/KeyColour.h"
#include "controls/TImageList.h"
#include "controls/WindowCrop.h"

namespace {
constexpr int kInitialSizePx = 15;
// The teal of the main window's texts.
const QColor kFocusColour(0, 128, 128);
}  // namespace

TEzRgnBtn::TEzRgnBtn(QWidget* owner) : QWidget(owner) {
    InstallControlsAccessibility();
    // Tab only: a click leaves the focus where it was, as before.
    setFocusPolicy(Qt::TabFocus);
    resize(kInitialSizePx, kInitialSizePx);
    repeatTimer_.setInterval(kRepeatIntervalMs);
    connect(&repeatTimer_, &QTimer::timeout, this, &TEzRgnBtn::TimerExpired);
    connect(&downTimer_, &QTimer::timeout, this, &TEzRgnBtn::DownTimerExpired);
}

TEzRgnBtn::~TEzRgnBtn() = default;

void TEzRgnBtn::SetAutoRepeat(bool autoRepeat) {
    autoRepeat_ = autoRepeat;
    CheckRepeatTimer();
}

void TEzRgnBtn::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    // Tab passes over a disabled button, and one that has the focus hands it on.
    setFocusPolicy(enabled ? Qt::TabFocus : Qt::NoFocus);
    if (!enabled && hasFocus()) focusNextChild();
    Repaint();
    QAccessible::State changed;
    changed.disabled = true;
    changed.focusable = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

void TEzRgnBtn::SetPicIdle(const QImage& picture) {
    picIdle_ = picture;
    PictureChanged();
    if (cropped_) CutWindow();
}

void TEzRgnBtn::SetPicDown(const QImage& picture) {
    picDown_ = picture;
    PictureChanged();
}

void TEzRgnBtn::SetPicUp(const QImage& picture) {
    picUp_ = picture;
    PictureChanged();
}

void TEzRgnBtn::SetPicDsbld(const QImage& picture) {
    picDsbld_ = picture;
    PictureChanged();
}

void TEzRgnBtn::AssignIdleBitmap(const QImage& picture) {
    picIdle_ = picture;
    PictureChanged();
}

bool TEzRgnBtn::SetFace(const TImageList& list, int frame) {
    if (frame < 0 || frame >= list.count()) return false;
    AssignIdleBitmap(list.frame(frame));
    return true;
}

void TEzRgnBtn::SetPaintMode(TPaintMode mode) {
    if (mode == paintMode_) return;
    if (paintMode_ == pmCrop) UncropCanvas();
    paintMode_ = mode;
    if (paintMode_ == pmCrop) CropCanvas();
    Repaint();
}

void TEzRgnBtn::SetImageList(const TImageList* list) {
    if (list == imageList_) return;
    imageList_ = list;
    if (!list) return;
    const int frames = list->count();
    if (frames > 0) AssignIdleBitmap(list->frame(0));
    if (frames > 1) SetPicUp(list->frame(1));
    if (frames > 2) SetPicDown(list->frame(2));
    if (frames > 3) SetPicDsbld(list->frame(3));
}

void TEzRgnBtn::Down(int milliseconds) {
    downTimer_.setInterval(milliseconds > 0 ? milliseconds : kDefaultDownMs);
    downTimer_.start();
    forcedDown_ = true;
    Repaint();
}

void TEzRgnBtn::DownTimerExpired() {
    downTimer_.stop();
    forcedDown_ = false;
    Repaint();
    if (pressClickPending_) {
        pressClickPending_ = false;
        Click();
    }
}

void TEzRgnBtn::Click() {
    if (enabled_) emit OnClick(this);
}

// The click comes after the pressed picture, outside the caller's event: a
// screen reader's request is answered before a dialog the click may open.
void TEzRgnBtn::Press() {
    if (!enabled_ || pressClickPending_) return;
    pressClickPending_ = true;
    Down(kDefaultDownMs);
}

bool TEzRgnBtn::FocusMarkShown() const { return keyboardFocus_ && hasFocus() && enabled_; }

const QImage& TEzRgnBtn::GetPicDown() const { return picDown_.isNull() ? GetPicIdle() : picDown_; }

const QImage& TEzRgnBtn::GetPicUp() const { return picUp_.isNull() ? GetPicIdle() : picUp_; }

const QImage& TEzRgnBtn::GetPicIdle() const { return enabled_ ? picIdle_ : GetPicDsbld(); }

const QImage& TEzRgnBtn::GetPicDsbld() const { return picDsbld_.isNull() ? picIdle_ : picDsbld_; }

const QImage& TEzRgnBtn::ChosenPicture() const {
    if (enabled_ && (forcedDown_ || (mouseInside_ && buttonHeld_))) return GetPicDown();
    if (enabled_ && mouseInside_ && !buttonHeld_) return GetPicUp();
    return GetPicIdle();
}

void TEzRgnBtn::PictureChanged() { Repaint(); }

// Fits the size to the picture of the state and paints at once. Qt paints
// only inside paintEvent and must not be resized there, so the size is set
// here, before the synchronous paint.
void TEzRgnBtn::Repaint() {
    const QImage& picture = ChosenPicture();
    if (!picture.isNull() && size() != picture.size()) resize(picture.size());
    repaint();
}

void TEzRgnBtn::paintEvent(QPaintEvent*) { Paint(); }

void TEzRgnBtn::Paint() {
    const QImage& picture = ChosenPicture();
    if (picture.isNull()) return;
    DrawingGuard::Hold hold(drawingGuard_);
    if (!hold) {
        update();  // nested inside a cut of the window: paint once that is done
        return;
    }
    QPainter painter(this);
    if (paintMode_ == pmTransparent) {
        painter.drawImage(0, 0, TransparentVersion(picture));
    } else {
        painter.drawImage(0, 0, picture);
    }
    if (FocusMarkShown()) painter.drawImage(0, 0, FocusRingFor(picture));
}

const QImage& TEzRgnBtn::FocusRingFor(const QImage& picture) {
    // The faces of one button share their shape; a cut or transparent button
    // has the shape of its key colour, a plain one that of its rectangle.
    const bool cut = paintMode_ != pmNormal;
    if (picture.cacheKey() != focusRingSourceKey_ || cut != focusRingCut_ || focusRing_.isNull()) {
        focusRing_ = FocusRing(picture, cut, kFocusColour);
        focusRingSourceKey_ = picture.cacheKey();
        focusRingCut_ = cut;
    }
    return focusRing_;
}

const QImage& TEzRgnBtn::TransparentVersion(const QImage& picture) {
    if (picture.cacheKey() != transparentSourceKey_ || transparentPicture_.isNull()) {
        transparentPicture_ = KeyColourTransparent(picture);
        transparentSourceKey_ = picture.cacheKey();
    }
    return transparentPicture_;
}

void TEzRgnBtn::CropCanvas() {
    if (paintMode_ != pmCrop || cropped_) return;
    CutWindow();
    cropped_ = true;
}

void TEzRgnBtn::UncropCanvas() {
    DrawingGuard::Hold hold(drawingGuard_);
    if (!hold) {
        QMetaObject::invokeMethod(
            this, [this] { UncropCanvas(); }, Qt::QueuedConnection);
        return;
    }
    UncropWindow(this, picIdle_);
    cropped_ = false;
}

// The region always follows the idle picture, whatever picture is drawn.
void TEzRgnBtn::CutWindow() {
    DrawingGuard::Hold hold(drawingGuard_);
    if (!hold) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (cropped_) CutWindow();
            },
            Qt::QueuedConnection);
        return;
    }
    CropWindow(this, picIdle_);
}

void TEzRgnBtn::TimerExpired() { Click(); }

// The repeat timer runs exactly while auto-repeat is on and the button is
// held with the pointer on it; the first tick comes one interval after the
// timer starts.
void TEzRgnBtn::CheckRepeatTimer() {
    const bool run = autoRepeat_ && mouseInside_ && buttonHeld_;
    if (run && !repeatTimer_.isActive()) {
        repeatTimer_.start();
    } else if (!run) {
        repeatTimer_.stop();
    }
}

bool TEzRgnBtn::IsOver(QPoint point) const {
    if (!rect().contains(point)) return false;
    const QRegion region = mask();
    return region.isEmpty() || region.contains(point);
}

MouseMessage TEzRgnBtn::MessageAt(MouseMessageId id, QPoint point) const {
    MouseMessage msg;
    msg.id = id;
    msg.buttons = QGuiApplication::mouseButtons();
    msg.modifiers = QGuiApplication::keyboardModifiers();
    msg.x = point.x();
    msg.y = point.y();
    return msg;
}

void TEzRgnBtn::MouseEntered(MouseMessage& msg) {
    if (mouseInside_) return;
    mouseInside_ = true;
    Repaint();
    if (OnMouseEnter) OnMouseEnter(msg);
    CheckRepeatTimer();
}

// Leave is paired with enter: Qt may report a leave again after a release
// outside, which the button already noticed.
void TEzRgnBtn::MouseLeft(MouseMessage& msg) {
    if (!mouseInside_) return;
    mouseInside_ = false;
    Repaint();
    if (OnMouseLeave) OnMouseLeave(msg);
    CheckRepeatTimer();
}

void TEzRgnBtn::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    MouseMessage msg = MessageAt(MouseMessageId::Enter, event->position().toPoint());
    MouseEntered(msg);
}

void TEzRgnBtn::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    MouseMessage msg = MessageAt(MouseMessageId::Leave, mapFromGlobal(QCursor::pos()));
    MouseLeft(msg);
}

// While the button is held Qt keeps all mouse events here and reports no
// leave or enter until the release, so the button follows the pointer itself.
void TEzRgnBtn::mouseMoveEvent(QMouseEvent* event) {
    if (!buttonHeld_) return;
    const QPoint point = event->position().toPoint();
    const bool over = IsOver(point);
    if (over && !mouseInside_) {
        MouseMessage msg = MessageAt(MouseMessageId::Enter, point);
        MouseEntered(msg);
    } else if (!over && mouseInside_) {
        MouseMessage msg = MessageAt(MouseMessageId::Leave, point);
        MouseLeft(msg);
    }
}

void TEzRgnBtn::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    clickPending_ = true;
    // A press on the button proves the pointer is on it, even when no enter
    // was reported (a button shown under a still pointer).
    if (!mouseInside_ && IsOver(point)) {
        MouseMessage enter = MessageAt(MouseMessageId::Enter, point);
        MouseEntered(enter);
    }
    buttonHeld_ = true;
    Repaint();
    MouseMessage msg = MessageAt(MouseMessageId::ButtonDown, point);
    if (OnMouseDown) OnMouseDown(msg);
    CheckRepeatTimer();
}

void TEzRgnBtn::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    // The ordinary click comes first, as the release's own handling.
    const bool click = clickPending_ && IsOver(point);
    clickPending_ = false;
    if (click) Click();
    buttonHeld_ = false;
    Repaint();
    MouseMessage msg = MessageAt(MouseMessageId::ButtonUp, point);
    if (OnMouseUp) OnMouseUp(msg);
    CheckRepeatTimer();
    if (!IsOver(point)) {
        MouseMessage leave = MessageAt(MouseMessageId::Leave, point);
        MouseLeft(leave);
    }
}

void TEzRgnBtn::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key != Qt::Key_Space && key != Qt::Key_Return && key != Qt::Key_Enter) {
        QWidget::keyPressEvent(event);
        return;
    }
    // Holding the key gives one press, not one for each repeat.
    if (!event->isAutoRepeat()) Press();
    event->accept();
}

void TEzRgnBtn::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    // Focus given back with the window (after a dialog) keeps the mark it had.
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
        reason == Qt::ShortcutFocusReason) {
        keyboardFocus_ = true;
    } else if (reason != Qt::ActiveWindowFocusReason) {
        keyboardFocus_ = false;
    }
    update();
}

void TEzRgnBtn::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    if (event->reason() != Qt::ActiveWindowFocusReason) keyboardFocus_ = false;
    update();
}

bool TEzRgnBtn::event(QEvent* event) {
    // The hint is the button's name for screen readers: tell them it changed.
    if (event->type() == QEvent::ToolTipChange && accessibleName().isEmpty()) {
        QAccessibleEvent nameChanged(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&nameChanged);
    }
    return QWidget::event(event);
}

// The second press of a double click is dropped entirely: it neither shows
// the pressed picture nor clicks again, and the parent does not see it.
void TEzRgnBtn::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }
