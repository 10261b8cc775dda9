// The skinned controls from the keyboard and for screen readers, on a real
// shown window: keys go through the window (QTest's QWindow functions), so Qt
// routes them to the focus widget and moves focus with Tab as it does for
// real keys. Screen readers are served through the toolkit's accessibility
// interfaces, queried here in-process; tests/desktop reads them over the bus.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include "controls/ClickableLabel.h"
#include "controls/FocusRing.h"
#include "controls/TCGauge.h"
#include "controls/TEzRgnBtn.h"
#include "tests/support/Pictures.h"

namespace {

constexpr QRgb kIdle = 0xffc80000, kUp = 0xff00c800, kDown = 0xff0000c8, kDsbld = 0xff787878;
constexpr QRgb kTeal = 0xff008080, kWhite = 0xffffffff, kKey = 0xffff00ff;
const QSize kFaceSize(40, 20);
const QPoint kInside(20, 10);

QImage Solid(QRgb colour) { return ::Solid(colour, kFaceSize); }

// A round face on the key colour, as the title buttons have.
QImage Round(int size) { return EllipseOnKey(kIdle, {size, size}); }

class ControlsKeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        QCursor::setPos(1200, 1000);  // the real pointer far from the window
        host.setGeometry(20, 20, 300, 200);
        link = new ClickableLabel(QStringLiteral("选取本地伴奏"), &host);
        link->setGeometry(10, 10, 100, 20);
        first = MakeButton({50, 60}, QStringLiteral("开始录歌"));
        second = MakeButton({150, 60}, QStringLiteral("试听"));
        QWidget::setTabOrder(link, first);
        QWidget::setTabOrder(first, second);
        QObject::connect(link, &ClickableLabel::clicked, [this] { ++linkClicks; });
        QObject::connect(first, &TEzRgnBtn::OnClick, [this](TEzRgnBtn*) { ++firstClicks; });
        QObject::connect(second, &TEzRgnBtn::OnClick, [this](TEzRgnBtn*) { ++secondClicks; });
        host.show();
        // There is no window manager on the test display to activate it.
        host.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
        window = host.windowHandle();
    }

    TEzRgnBtn* MakeButton(QPoint at, const QString& hint) {
        auto* button = new TEzRgnBtn(&host);
        button->move(at);
        button->SetPicIdle(Solid(kIdle));
        button->SetPicUp(Solid(kUp));
        button->SetPicDown(Solid(kDown));
        button->SetPicDsbld(Solid(kDsbld));
        button->setToolTip(hint);
        return button;
    }

    void Key(Qt::Key key) { QTest::keyClick(window, key); }
    // Tabs until `target` has the focus; false after a full round without it.
    bool TabTo(QWidget* target) {
        for (int i = 0; i < 8 && !target->hasFocus(); ++i) Key(Qt::Key_Tab);
        return target->hasFocus();
    }
    static QRgb Drawn(QWidget* widget, QPoint at = kInside) {
        return widget->grab().toImage().pixel(at);
    }

    QWidget host;
    QWindow* window = nullptr;
    ClickableLabel* link = nullptr;
    TEzRgnBtn* first = nullptr;
    TEzRgnBtn* second = nullptr;
    int linkClicks = 0, firstClicks = 0, secondClicks = 0;
};

}  // namespace

TEST_F(ControlsKeyboardTest, TabGoesRoundTheEnabledControlsOnly) {
    ASSERT_TRUE(TabTo(link));
    Key(Qt::Key_Tab);
    EXPECT_TRUE(first->hasFocus());
    Key(Qt::Key_Tab);
    EXPECT_TRUE(second->hasFocus());
    Key(Qt::Key_Backtab);
    EXPECT_TRUE(first->hasFocus());

    second->SetEnabled(false);
    Key(Qt::Key_Tab);
    EXPECT_TRUE(link->hasFocus());
    // A button that loses its enabled flag while it has the focus hands it on.
    second->SetEnabled(true);
    ASSERT_TRUE(TabTo(second));
    second->SetEnabled(false);
    EXPECT_FALSE(second->hasFocus());
    EXPECT_TRUE(link->hasFocus() || first->hasFocus());
    // The mouse does not move the focus.
    ASSERT_TRUE(TabTo(link));
    QTest::mouseClick(window, Qt::LeftButton, {}, first->mapTo(&host, kInside));
    EXPECT_EQ(1, firstClicks);
    EXPECT_TRUE(link->hasFocus());
}

TEST_F(ControlsKeyboardTest, SpaceAndEnterShowThePressedPictureThenClick) {
    ASSERT_TRUE(TabTo(first));
    int expected = 0;
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyPress(window, key);
        EXPECT_EQ(kDown, Drawn(first)) << key;  // painted at once
        EXPECT_EQ(expected, firstClicks) << key;
        QTest::keyRelease(window, key);
        ++expected;
        EXPECT_TRUE(QTest::qWaitFor([&] { return firstClicks == expected; }, 3000)) << key;
        EXPECT_NE(kDown, Drawn(first));
    }
    // A held key repeats its presses: they give no more clicks, and neither
    // does a second press while the first one still shows.
    QTest::keyPress(window, Qt::Key_Space);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
    QCoreApplication::sendEvent(first, &repeat);
    QTest::keyRelease(window, Qt::Key_Space);
    QTest::keyClick(window, Qt::Key_Return);
    QTest::qWait(4 * TEzRgnBtn::kDefaultDownMs);
    EXPECT_EQ(expected + 1, firstClicks);
    EXPECT_EQ(0, secondClicks);
    // Other keys are not presses.
    QTest::keyClick(window, Qt::Key_A);
    QTest::qWait(2 * TEzRgnBtn::kDefaultDownMs);
    EXPECT_EQ(expected + 1, firstClicks);
}

TEST_F(ControlsKeyboardTest, ADisabledButtonCannotBePressed) {
    first->SetEnabled(false);
    first->Press();
    EXPECT_EQ(kDsbld, Drawn(first));
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QCoreApplication::sendEvent(first, &space);
    QTest::qWait(3 * TEzRgnBtn::kDefaultDownMs);
    EXPECT_EQ(0, firstClicks);
    EXPECT_EQ(kDsbld, Drawn(first));
}

TEST_F(ControlsKeyboardTest, TheFocusMarkShowsOnlyForFocusByKeyboard) {
    // Focus given by the program (or the window's first focus) shows nothing.
    first->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(first->hasFocus());
    EXPECT_FALSE(first->FocusMarkShown());
    EXPECT_EQ(kIdle, Drawn(first, {2, 2}));

    ASSERT_TRUE(TabTo(second));
    ASSERT_TRUE(TabTo(first));
    EXPECT_TRUE(first->FocusMarkShown());
    // A dotted line 2 pixels inside the edge, teal and white by turns.
    EXPECT_EQ(kTeal, Drawn(first, {2, 2}));
    EXPECT_EQ(kWhite, Drawn(first, {3, 2}));
    EXPECT_EQ(kTeal, Drawn(first, {37, 17}));
    EXPECT_EQ(kIdle, Drawn(first, {1, 2}));
    EXPECT_EQ(kIdle, Drawn(first, kInside));
    EXPECT_EQ(kIdle, Drawn(second, {2, 2}));

    Key(Qt::Key_Tab);
    EXPECT_FALSE(first->FocusMarkShown());
    EXPECT_EQ(kIdle, Drawn(first, {2, 2}));

    // The label's mark is a dotted frame.
    ASSERT_TRUE(TabTo(link));
    const QImage label = link->grab().toImage();
    int teal = 0;
    for (int x = 0; x < label.width(); ++x) teal += label.pixel(x, 0) == kTeal;
    EXPECT_GT(teal, label.width() / 4);
    Key(Qt::Key_Space);
    Key(Qt::Key_Return);
    EXPECT_EQ(2, linkClicks);
}

TEST(FocusRing, FollowsTheShapeALittleInside) {
    // Up to 3 pixels in, less on the small title buttons.
    EXPECT_EQ(3, FocusRingInset(Solid(kIdle, {98, 39})));
    EXPECT_EQ(3, FocusRingInset(Solid(kIdle, {72, 24})));
    EXPECT_EQ(2, FocusRingInset(Solid(kIdle, {17, 17})));
    EXPECT_EQ(1, FocusRingInset(Solid(kIdle, {8, 8})));

    // A plain picture: the ring is its rectangle, inset.
    const QImage plain = FocusRing(Solid(kIdle), false, QColor::fromRgb(kTeal));
    const int in = FocusRingInset(Solid(kIdle));
    const QRect inset = QRect(QPoint(0, 0), kFaceSize).adjusted(in, in, -in, -in);
    for (int y = 0; y < kFaceSize.height(); ++y) {
        for (int x = 0; x < kFaceSize.width(); ++x) {
            const bool onRing =
                inset.contains(x, y) && !inset.adjusted(1, 1, -1, -1).contains(x, y);
            EXPECT_EQ(onRing, qAlpha(plain.pixel(x, y)) == 255) << x << "," << y;
        }
    }

    // A round picture cut by its key colour: every dot lies inside the shape,
    // with 2 pixels of it between the dot and the nearest key pixel.
    const QImage face = Round(17);
    const QImage ring = FocusRing(face, true, QColor::fromRgb(kTeal));
    int dots = 0;
    for (int y = 0; y < 17; ++y) {
        for (int x = 0; x < 17; ++x) {
            if (qAlpha(ring.pixel(x, y)) == 0) continue;
            ++dots;
            ASSERT_NE(kKey, face.pixel(x, y));
            int nearest = 99;
            for (int v = -5; v <= 5; ++v) {
                for (int u = -5; u <= 5; ++u) {
                    const bool outside =
                        !face.rect().contains(x + u, y + v) || face.pixel(x + u, y + v) == kKey;
                    if (outside) nearest = std::min(nearest, u * u + v * v);
                }
            }
            EXPECT_GT(nearest, 2 * 2) << x << "," << y;
            EXPECT_LE(nearest, 3 * 3) << x << "," << y;
        }
    }
    EXPECT_GT(dots, 16);
}

TEST_F(ControlsKeyboardTest, ScreenReadersSeeAPushButtonNamedByItsHint) {
    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(first);
    ASSERT_NE(nullptr, button);
    EXPECT_EQ(QAccessible::Button, button->role());
    EXPECT_EQ("开始录歌", button->text(QAccessible::Name));
    EXPECT_EQ("", button->text(QAccessible::Description));
    first->setToolTip(QStringLiteral("停止录歌"));
    EXPECT_EQ("停止录歌", button->text(QAccessible::Name));
    EXPECT_FALSE(button->state().disabled);
    EXPECT_TRUE(button->state().focusable);

    QAccessibleActionInterface* actions = button->actionInterface();
    ASSERT_NE(nullptr, actions);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(kDown, Drawn(first));
    EXPECT_EQ(0, firstClicks);  // the click follows the pressed picture
    EXPECT_TRUE(QTest::qWaitFor([&] { return firstClicks == 1; }, 3000));

    second->SetEnabled(false);
    QAccessibleInterface* disabled = QAccessible::queryAccessibleInterface(second);
    EXPECT_TRUE(disabled->state().disabled);
    EXPECT_FALSE(disabled->state().focusable);
    disabled->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTest::qWait(3 * TEzRgnBtn::kDefaultDownMs);
    EXPECT_EQ(0, secondClicks);
}

TEST_F(ControlsKeyboardTest, ScreenReadersSeeTheLabelAsALinkAndTheGaugeWithItsValue) {
    QAccessibleInterface* label = QAccessible::queryAccessibleInterface(link);
    ASSERT_NE(nullptr, label);
    EXPECT_EQ(QAccessible::Link, label->role());
    EXPECT_EQ("选取本地伴奏", label->text(QAccessible::Name));
    label->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(0, linkClicks);  // answered first, clicked right after
    EXPECT_TRUE(QTest::qWaitFor([&] { return linkClicks == 1; }, 3000));
    link->setEnabled(false);
    label->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTest::qWait(50);
    EXPECT_EQ(1, linkClicks);

    auto* gauge = new TCGauge(&host);
    gauge->setToolTip(QStringLiteral("歌曲进度"));
    gauge->SetMaxValue(200);
    gauge->SetProgress(50);
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(gauge);
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(QAccessible::ProgressBar, bar->role());
    EXPECT_EQ("歌曲进度", bar->text(QAccessible::Name));
    ASSERT_NE(nullptr, bar->valueInterface());
    EXPECT_EQ(50, bar->valueInterface()->currentValue().toInt());
    EXPECT_EQ(200, bar->valueInterface()->maximumValue().toInt());
    EXPECT_EQ("25%", bar->text(QAccessible::Value));
}
