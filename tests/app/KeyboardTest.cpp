// The main window from the keyboard alone: keys go through the window
// (QTest's QWindow functions), so Qt routes them as it routes real keys.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <memory>

#include "app/TFormMain.h"
#include "app/TFormStudio.h"
#include "controls/ClickableLabel.h"
#include "controls/TEzRgnBtn.h"
#include "tests/support/TempDir.h"

namespace {

class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        QCursor::setPos(1200, 1000);  // the pointer away from the window
        window = std::make_unique<TFormMain>(dir.path("tavimo"));
        window->OpenDialog = [] { return QString(); };  // nobody at the screen
        window->move(100, 100);
        window->show();
        // There is no window manager on the test display to activate it.
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    void Key(Qt::Key key) { QTest::keyClick(window->windowHandle(), key); }
    // Tabs until `target` has the focus, a bounded number of times.
    bool TabTo(QWidget* target) {
        for (int i = 0; i < 40 && !target->hasFocus(); ++i) {
            Key(Qt::Key_Tab);
            // The site pane hands the focus on once its page is done with it.
            QTest::qWait(100);
        }
        return target->hasFocus();
    }
    // The widgets that have the focus after each of `count` presses of Tab.
    std::vector<QWidget*> TabRound(int count) {
        std::vector<QWidget*> seen;
        for (int i = 0; i < count; ++i) {
            Key(Qt::Key_Tab);
            seen.push_back(QApplication::focusWidget());
        }
        return seen;
    }
    bool Recording() const { return window->EzRgnBtnRecord->Tag() == 1; }

    TempDir dir;
    std::unique_ptr<TFormMain> window;
};

}  // namespace

TEST_F(KeyboardTest, TabGoesThroughTheButtonsInTheirWorkingOrder) {
    TFormMain& w = *window;
    ASSERT_TRUE(TabTo(w.LabelSelbanzou));
    // Preview and save are disabled until there is a take.
    EXPECT_EQ((std::vector<QWidget*>{w.EzRgnBtnRecord, w.EzRgnBtnStudio, w.EzRgnBtnUpload,
                                     w.EzRgnBtnMini, w.EzRgnBtnHelp, w.EzRgnBtnClose,
                                     w.TrackBarIn, w.TrackBarOut}),
              TabRound(8));

    w.EzRgnBtnPlay->SetEnabled(true);
    w.EzRgnBtnSave->SetEnabled(true);
    ASSERT_TRUE(TabTo(w.LabelSelbanzou));
    EXPECT_EQ(
        (std::vector<QWidget*>{w.EzRgnBtnRecord, w.EzRgnBtnPlay, w.EzRgnBtnStudio, w.EzRgnBtnSave,
                               w.EzRgnBtnUpload, w.EzRgnBtnMini, w.EzRgnBtnHelp, w.EzRgnBtnClose}),
        TabRound(8));
    Key(Qt::Key_Backtab);
    EXPECT_TRUE(w.EzRgnBtnHelp->hasFocus());
}

TEST_F(KeyboardTest, ATakeFromTheKeyboardAlone) {
    TFormMain& w = *window;
    ASSERT_TRUE(TabTo(w.EzRgnBtnRecord));
    EXPECT_TRUE(w.EzRgnBtnRecord->FocusMarkShown());

    Key(Qt::Key_Space);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Recording(); }, 5000));
    EXPECT_EQ("停止录歌", w.EzRgnBtnRecord->toolTip());
    EXPECT_TRUE(w.TimerText->isActive());
    // The buttons a take disables are passed over, and the record button
    // keeps the focus; the mixing window can be opened during a take.
    EXPECT_TRUE(w.EzRgnBtnRecord->hasFocus());
    EXPECT_EQ((std::vector<QWidget*>{w.EzRgnBtnStudio, w.EzRgnBtnMini}), TabRound(2));
    ASSERT_TRUE(TabTo(w.EzRgnBtnRecord));

    // The test server's sine source hands its sound over in runs of about two
    // seconds; wait for the first to reach the file.
    const QString voice = dir.path("temp/record.wav");
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(voice).size() > 44; }, 5000));
    Key(Qt::Key_Space);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Recording(); }, 5000));
    EXPECT_EQ("重新录歌", w.EzRgnBtnRecord->toolTip());
    EXPECT_FALSE(w.TimerText->isActive());
    EXPECT_GT(QFileInfo(voice).size(), 44 + 44100);
    EXPECT_TRUE(w.EzRgnBtnPlay->Enabled());
    EXPECT_EQ((std::vector<QWidget*>{w.EzRgnBtnPlay}), TabRound(1));
}

TEST_F(KeyboardTest, TheMixingWindowOpensFromTheKeyboardAndTabReachesEachOfItsControls) {
    TFormMain& w = *window;
    ASSERT_TRUE(TabTo(w.EzRgnBtnStudio));
    Key(Qt::Key_Space);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.FormStudio && w.FormStudio->isVisible(); }, 5000));
    // Tab follows the window's focus chain: every control on it that takes
    // the focus from Tab is reached. (Read from the chain, not by key
    // presses, which need the window activated, which a display without a
    // window manager does not always do.)
    QWidget* studio = w.FormStudio;
    QStringList reached;
    bool reverbReached = false;
    QWidget* at = studio;
    for (int i = 0; i < 100; ++i) {
        at = at->nextInFocusChain();
        if (at == studio) break;
        if (at->window() != studio || !at->isEnabled() || !at->isVisibleTo(studio) ||
            !(at->focusPolicy() & Qt::TabFocus)) {
            continue;
        }
        reached << at->accessibleName();
        // The reverb's combo box is named by its label "混响".
        reverbReached |= qobject_cast<QComboBox*>(at) != nullptr;
    }
    // The buttons of work not under way are disabled and skipped.
    for (const char* name : {"人声音量", "伴奏音量", "升降调", "响度统一", "话筒", "耳返", "耳返音量",
                             "测试延迟"}) {
        EXPECT_TRUE(reached.contains(QString::fromUtf8(name))) << name << ": "
                                                               << reached.join("|").toStdString();
    }
    EXPECT_TRUE(reverbReached) << reached.join("|").toStdString();
}
