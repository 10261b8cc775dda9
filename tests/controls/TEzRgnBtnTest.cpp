// The button on a real shown window. Mouse input goes through the window
// (QTest's QWindow functions), so Qt routes it as it routes real input: by
// the button's region, with the implicit grab of a held button and with the
// enter and leave events between widgets. Hover over cut-out pixels is
// checked with the real pointer (QCursor::setPos on the test display).
#include <gtest/gtest.h>

#include <QCursor>
#include <QElapsedTimer>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <vector>

#include "controls/KeyColour.h"
#include "controls/TEzRgnBtn.h"
#include "tests/support/Pictures.h"
#include "controls/TImageList.h"

namespace {

constexpr QRgb kIdle = 0xffc80000, kUp = 0xff00c800, kDown = 0xff0000c8, kDsbld = 0xff787878;
constexpr QRgb kHostBackground = 0xffffffff, kKey = 0xffff00ff;
const QSize kFaceSize(40, 20);
const QPoint kInside(20, 10);

QImage Solid(QRgb colour) { return ::Solid(colour, kFaceSize); }

// Key-colour ground with an ellipse of `colour`, a two-pixel hole at (40, 20).
QImage Shape(QRgb colour, QSize size = {98, 39}) {
    QImage face = EllipseOnKey(colour, size, 2);
    face.setPixel(40, 20, kKey);
    face.setPixel(41, 20, kKey);
    return face;
}

// Whether `mask` holds exactly the pixels of `picture` that are not its
// corner colour.
bool MaskIsShapeOf(const QRegion& mask, const QImage& picture) {
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (mask.contains(QPoint(x, y)) == (picture.pixel(x, y) == picture.pixel(0, 0)))
                return false;
        }
    }
    return true;
}

class TEzRgnBtnTest : public ::testing::Test {
protected:
    void SetUp() override {
        QCursor::setPos(1200, 1000);  // the real pointer far from the window
        host.setAutoFillBackground(true);
        QPalette palette = host.palette();
        palette.setColor(QPalette::Window, QColor::fromRgb(kHostBackground));
        host.setPalette(palette);
        host.setGeometry(20, 20, 300, 200);
        button = new TEzRgnBtn(&host);
        button->move(50, 60);
        button->OnMouseEnter = [this](MouseMessage& m) { messages.push_back(m); };
        button->OnMouseLeave = [this](MouseMessage& m) { messages.push_back(m); };
        button->OnMouseDown = [this](MouseMessage& m) { messages.push_back(m); };
        button->OnMouseUp = [this](MouseMessage& m) { messages.push_back(m); };
        QObject::connect(button, &TEzRgnBtn::OnClick, [this](TEzRgnBtn* sender) {
            EXPECT_EQ(button, sender);
            ++clicks;
        });
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
        window = host.windowHandle();
        MoveAway();  // Qt routes enter and leave to children once the pointer is in the window
    }

    void SetAllPictures() {
        button->SetPicIdle(Solid(kIdle));
        button->SetPicUp(Solid(kUp));
        button->SetPicDown(Solid(kDown));
        button->SetPicDsbld(Solid(kDsbld));
    }

    QPoint InWindow(QPoint inButton) const { return button->mapTo(&host, inButton); }
    void MoveTo(QPoint inButton = kInside) { QTest::mouseMove(window, InWindow(inButton)); }
    void MoveAway() { QTest::mouseMove(window, QPoint(250, 180)); }
    void Press(QPoint inButton = kInside) {
        QTest::mousePress(window, Qt::LeftButton, {}, InWindow(inButton));
    }
    void Release(QPoint inButton = kInside) {
        QTest::mouseRelease(window, Qt::LeftButton, {}, InWindow(inButton));
    }
    // What the button paints in its present state.
    QRgb Drawn(QPoint inButton = kInside) const { return button->grab().toImage().pixel(inButton); }
    // What the display shows there now, without letting Qt process events.
    QRgb OnScreen(QPoint inButton = kInside) const {
        const QPoint p = InWindow(inButton);
        return host.screen()->grabWindow(host.winId(), p.x(), p.y(), 1, 1).toImage().pixel(0, 0);
    }
    std::vector<MouseMessageId> Ids() const {
        std::vector<MouseMessageId> ids;
        for (const MouseMessage& m : messages) ids.push_back(m.id);
        return ids;
    }

    QWidget host;
    TEzRgnBtn* button = nullptr;
    QWindow* window = nullptr;
    std::vector<MouseMessage> messages;
    int clicks = 0;
};

using Id = MouseMessageId;

}  // namespace

TEST_F(TEzRgnBtnTest, PictureFollowsHoverPressAndRelease) {
    EXPECT_EQ(QSize(15, 15), button->size());
    SetAllPictures();
    EXPECT_EQ(kFaceSize, button->size());
    EXPECT_EQ(kIdle, OnScreen());
    MoveTo();
    EXPECT_EQ(kUp, OnScreen());
    Press();
    EXPECT_EQ(kDown, OnScreen());
    EXPECT_EQ(0, clicks);
    Release();
    EXPECT_EQ(kUp, OnScreen());
    EXPECT_EQ(1, clicks);
    MoveAway();
    EXPECT_EQ(kIdle, OnScreen());
    EXPECT_EQ((std::vector{Id::Enter, Id::ButtonDown, Id::ButtonUp, Id::Leave}), Ids());
    EXPECT_EQ(kInside.x(), messages[1].x);
    EXPECT_EQ(kInside.y(), messages[1].y);
    EXPECT_TRUE(messages[1].buttons.testFlag(Qt::LeftButton));
    EXPECT_FALSE(messages[2].buttons.testFlag(Qt::LeftButton));

    // A picture of another size resizes the button before it is painted.
    button->SetPicIdle(Solid(kDsbld, {60, 30}));
    EXPECT_EQ(QSize(60, 30), button->size());
    EXPECT_EQ(kDsbld, OnScreen({55, 25}));
}

TEST_F(TEzRgnBtnTest, EmptyPicturesFallBackToTheIdleOne) {
    button->SetPicIdle(Solid(kIdle));
    MoveTo();
    EXPECT_EQ(kIdle, Drawn());
    Press();
    EXPECT_EQ(kIdle, Drawn());
    Release();
    button->SetEnabled(false);
    EXPECT_EQ(kIdle, Drawn());
    button->SetPicDsbld(Solid(kDsbld));
    EXPECT_EQ(kDsbld, Drawn());
    button->SetEnabled(true);
    button->SetPicDown(Solid(kDown));
    Press();
    EXPECT_EQ(kDown, Drawn());
    Release();
    EXPECT_EQ(kIdle, Drawn());  // hover with no PicUp
}

TEST_F(TEzRgnBtnTest, DisabledButtonFollowsTheMouseButNeverClicks) {
    SetAllPictures();
    button->SetEnabled(false);
    EXPECT_TRUE(button->Disabled());
    EXPECT_EQ(kDsbld, OnScreen());
    MoveTo();
    EXPECT_EQ(kDsbld, Drawn());
    Press();
    EXPECT_EQ(kDsbld, Drawn());
    Release();
    button->Down(0);
    EXPECT_EQ(kDsbld, Drawn());
    button->Click();
    MoveAway();
    EXPECT_EQ(0, clicks);
    EXPECT_EQ((std::vector{Id::Enter, Id::ButtonDown, Id::ButtonUp, Id::Leave}), Ids());
    button->SetEnabled(true);  // the Down above may still be under way
    EXPECT_TRUE(QTest::qWaitFor([&] { return OnScreen() == kIdle; }, 3000));
    button->Click();
    EXPECT_EQ(1, clicks);
}

TEST_F(TEzRgnBtnTest, DraggingOutAndReleasingOutsideGivesNoClick) {
    SetAllPictures();
    MoveTo();
    Press();
    QTest::mouseMove(window, InWindow({60, 10}));
    EXPECT_EQ(kIdle, OnScreen());
    MoveTo({30, 15});
    EXPECT_EQ(kDown, OnScreen());
    QTest::mouseMove(window, InWindow({20, 40}));
    Release({20, 40});
    EXPECT_EQ(kIdle, OnScreen());
    QTest::qWait(50);  // Qt's own leave after the release must not count twice
    EXPECT_EQ(kIdle, Drawn());
    EXPECT_EQ(0, clicks);
    EXPECT_EQ(
        (std::vector{Id::Enter, Id::ButtonDown, Id::Leave, Id::Enter, Id::Leave, Id::ButtonUp}),
        Ids());
}

TEST_F(TEzRgnBtnTest, HeldButtonClicksOnceWithoutAutoRepeat) {
    SetAllPictures();
    MoveTo();
    Press();
    QTest::qWait(4 * TEzRgnBtn::kRepeatIntervalMs);
    EXPECT_EQ(0, clicks);
    Release();
    EXPECT_EQ(1, clicks);
}

TEST_F(TEzRgnBtnTest, AutoRepeatClicksWhileHeldOnTheButton) {
    SetAllPictures();
    button->SetAutoRepeat(true);
    MoveTo();
    Press();
    EXPECT_EQ(0, clicks);  // the first repeat comes one interval after the press
    EXPECT_TRUE(QTest::qWaitFor([&] { return clicks >= 2; }, 5000));

    QTest::mouseMove(window, InWindow({20, 40}));  // no repeats while dragged off
    const int offClicks = clicks;
    QTest::qWait(3 * TEzRgnBtn::kRepeatIntervalMs);
    EXPECT_EQ(offClicks, clicks);
    MoveTo();
    EXPECT_TRUE(QTest::qWaitFor([&] { return clicks > offClicks; }, 5000));

    const int heldClicks = clicks;
    Release();
    EXPECT_EQ(heldClicks + 1, clicks);  // plus the ordinary click
    QTest::qWait(3 * TEzRgnBtn::kRepeatIntervalMs);
    EXPECT_EQ(heldClicks + 1, clicks);
}

TEST_F(TEzRgnBtnTest, DoubleClickGivesOneClick) {
    SetAllPictures();
    MoveTo();
    QTest::mouseDClick(window, Qt::LeftButton, {}, InWindow(kInside));
    EXPECT_EQ(1, clicks);
    EXPECT_EQ((std::vector{Id::Enter, Id::ButtonDown, Id::ButtonUp, Id::ButtonUp}), Ids());
    EXPECT_EQ(kUp, Drawn());
}

TEST_F(TEzRgnBtnTest, DownShowsThePressedPictureForAWhile) {
    SetAllPictures();
    QElapsedTimer elapsed;
    elapsed.start();
    button->Down(0);
    EXPECT_EQ(kDown, OnScreen());  // painted at once
    EXPECT_TRUE(QTest::qWaitFor([&] { return OnScreen() == kIdle; }, 3000));
    EXPECT_GE(elapsed.elapsed(), 80);  // 100 ms, less a coarse timer's slack

    button->Down(1500);  // long enough to outlast a busy machine's wait below
    QTest::qWait(200);
    EXPECT_EQ(kDown, OnScreen());
    EXPECT_TRUE(QTest::qWaitFor([&] { return OnScreen() == kIdle; }, 8000));
    EXPECT_EQ(0, clicks);
}

TEST_F(TEzRgnBtnTest, CropModeCutsOutEveryKeyColourPixel) {
    const QImage face = Shape(kIdle);
    button->SetPicIdle(face);
    button->SetPicDown(Solid(kDown, face.size()));
    button->SetPaintMode(pmCrop);
    EXPECT_TRUE(button->Cropped());
    EXPECT_TRUE(MaskIsShapeOf(button->mask(), face));

    // The real pointer on the hole inside the artwork is not on the button.
    QCursor::setPos(button->mapToGlobal(QPoint(40, 20)));
    QTest::qWait(200);
    EXPECT_TRUE(messages.empty());
    QCursor::setPos(button->mapToGlobal(QPoint(30, 20)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.empty(); }, 3000));
    EXPECT_EQ(Id::Enter, messages.back().id);
    QCursor::setPos(1200, 1000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return messages.back().id == Id::Leave; }, 3000));

    // Nor does a press there reach it; the pressed picture is cut the same way.
    messages.clear();
    Press({1, 1});
    Release({1, 1});
    Press({40, 20});
    Release({40, 20});
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(0, clicks);
    button->Down(0);
    EXPECT_EQ(kDown, OnScreen({30, 20}));
    EXPECT_EQ(kHostBackground, OnScreen({1, 1}));

    button->SetPaintMode(pmNormal);
    EXPECT_FALSE(button->Cropped());
    EXPECT_EQ(QRegion(0, 0, 98, 39), button->mask());
}

TEST_F(TEzRgnBtnTest, OnlySetPicIdleRebuildsTheRegion) {
    const QImage first = Shape(kIdle);
    button->SetPicIdle(first);
    button->SetPaintMode(pmCrop);
    const QImage second = Shape(kUp, {60, 30});
    const TImageList faces({second, Solid(kUp, {60, 30})});

    ASSERT_TRUE(button->SetFace(faces, 0));
    EXPECT_EQ(QSize(60, 30), button->size());
    EXPECT_TRUE(MaskIsShapeOf(button->mask(), first));
    button->SetImageList(&faces);
    EXPECT_TRUE(MaskIsShapeOf(button->mask(), first));
    EXPECT_FALSE(button->SetFace(faces, 2));

    button->SetPicIdle(second);
    EXPECT_TRUE(MaskIsShapeOf(button->mask(), second));
}

TEST_F(TEzRgnBtnTest, ImageListFillsThePicturesItHasFramesFor) {
    button->SetPicDown(Solid(kDown));
    button->SetPicDsbld(Solid(kDsbld));
    const TImageList two({Solid(0xff00ffff), Solid(0xffffff00)});
    button->SetImageList(&two);
    EXPECT_EQ(&two, button->ImageList());
    EXPECT_EQ(0xff00ffffu, OnScreen());
    EXPECT_EQ(Solid(0xffffff00), button->PicUp());
    EXPECT_EQ(Solid(kDown), button->PicDown());
    EXPECT_EQ(Solid(kDsbld), button->PicDsbld());

    button->SetPicIdle(Solid(kIdle));
    button->SetImageList(&two);  // the list already set: nothing is copied
    EXPECT_EQ(Solid(kIdle), button->PicIdle());

    const TImageList four({Solid(1), Solid(2), Solid(3), Solid(4)});
    button->SetImageList(&four);
    EXPECT_EQ(Solid(3), button->PicDown());
    EXPECT_EQ(Solid(4), button->PicDsbld());
}

TEST_F(TEzRgnBtnTest, TransparentModeShowsWhatLiesBelowTheKeyColour) {
    QImage face = Solid(kIdle);
    QPainter(&face).fillRect(0, 0, 40, 5, QColor::fromRgb(kKey));
    button->SetPicIdle(face);
    EXPECT_EQ(kKey, OnScreen({2, 2}));
    button->SetPaintMode(pmTransparent);
    EXPECT_EQ(kHostBackground, OnScreen({2, 2}));
    EXPECT_EQ(kIdle, OnScreen({2, 10}));
    EXPECT_FALSE(button->Cropped());
}
