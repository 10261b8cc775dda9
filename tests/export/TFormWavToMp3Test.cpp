// The export window on the real display: what it shows while the run goes,
// that the user cannot close it, and that it closes itself afterwards.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <vector>

#include "audio/ui/TFormWavToMp3.h"
#include "base/Global.h"
#include "tests/support/Mp3Probe.h"
#include "tests/support/RecordedMessages.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFiles.h"

namespace {

constexpr int kWatchdogMs = 60000;

struct Sight {
    QString title;
    bool visible = false;
    int value = 0;
    int maximum = 0;
    QString percent;
};

// Looks at the export window each time events run, as the user would.
class Watcher {
public:
    Watcher() {
        probe_.setInterval(0);
        QObject::connect(&probe_, &QTimer::timeout, [this] { look(); });
        probe_.start();
        watchdog_.setSingleShot(true);
        QObject::connect(&watchdog_, &QTimer::timeout, [this] {
            timedOut = true;
            if (form) form->done(0);
        });
        watchdog_.start(kWatchdogMs);
    }

    std::vector<Sight> sights;
    QPointer<TFormWavToMp3> form;
    Qt::WindowFlags flags;
    QPoint formCentre;
    bool triedToClose = false;
    bool visibleAfterClose = false;
    bool timedOut = false;

private:
    void look() {
        auto* current = qobject_cast<TFormWavToMp3*>(QApplication::activeModalWidget());
        if (current == nullptr) return;
        if (!form) {
            form = current;
            flags = current->windowFlags();
        }
        const auto* bar = current->findChild<QProgressBar*>(QStringLiteral("ProgressBar"));
        const auto* label = current->findChild<QLabel*>(QStringLiteral("LabelPer"));
        if (bar == nullptr || label == nullptr) return;
        sights.push_back({current->windowTitle(), current->isVisible(), bar->value(),
                          bar->maximum(), label->text()});
        formCentre = current->geometry().center();
        if (bar->value() > 0 && !triedToClose) {
            triedToClose = true;
            current->close();
            QTest::keyClick(current, Qt::Key_Escape);
            visibleAfterClose = current->isVisible();
        }
    }

    QTimer probe_;
    QTimer watchdog_;
};

}  // namespace

TEST(TFormWavToMp3, ShowsTheRunCannotBeClosedAndClosesItselfAfterIt) {
    SetWorkFolders(QStringLiteral(TAVIMO_PROGRAM_DIR "/tavimo"));
    TempDir dir;
    RecordedMessages messages;
    WriteWavFile(dir.path("mix.wav"), 2, 44100, SineSamples(440, 3.0, 44100, 2));
    const int fileBytes = static_cast<int>(QFile(dir.path("mix.wav")).size());

    QWidget owner;
    owner.setGeometry(200, 150, 600, 400);
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));

    Watcher watcher;
    const bool ok = Told(ExportMp3(dir.path("mix.wav"), dir.path("我的歌.mp3"), &owner));
    EXPECT_FALSE(watcher.timedOut);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(messages.all().isEmpty()) << messages.texts().join('|').toStdString();
    EXPECT_TRUE(watcher.form.isNull()) << "the window is freed after it closed";
    EXPECT_EQ(nullptr, QApplication::activeModalWidget());

    EXPECT_TRUE(watcher.flags.testFlag(Qt::Tool));
    EXPECT_FALSE(watcher.flags.testFlag(Qt::WindowCloseButtonHint));
    // Centred on the owner; Qt allows for a title bar it cannot see without
    // a window manager, so the window sits up to that much higher.
    const QPoint offset = watcher.formCentre - owner.geometry().center();
    EXPECT_LE(std::abs(offset.x()), 10) << offset.x();
    EXPECT_LE(std::abs(offset.y()), 40) << offset.y();

    ASSERT_GE(watcher.sights.size(), 3u);
    EXPECT_EQ(QStringLiteral("正在合成mp3..."), watcher.sights.front().title);
    EXPECT_EQ(QString(), watcher.sights.front().percent);
    EXPECT_EQ(QStringLiteral("正在合成: 我的歌.mp3"), watcher.sights.back().title);
    EXPECT_TRUE(watcher.triedToClose);
    EXPECT_TRUE(watcher.visibleAfterClose) << "a close during the run is ignored";
    for (const Sight& s : watcher.sights) EXPECT_TRUE(s.visible);
    EXPECT_EQ(fileBytes, watcher.sights.back().maximum);
    EXPECT_EQ(fileBytes - 44, watcher.sights.back().value);
    EXPECT_EQ(QStringLiteral("99%"), watcher.sights.back().percent);

    const Mp3Description d = DescribeMp3(dir.path("我的歌.mp3"));
    EXPECT_EQ("cbr128", d.bitRateMode);
    EXPECT_TRUE(d.infoTag);
}

TEST(TFormWavToMp3, AFailedRunClosesTheWindowAndReturnsItsFailure) {
    TempDir dir;
    SetWorkFolders(dir.path("tavimo"));  // a program folder without lame_enc.so
    RecordedMessages messages;
    WriteWavFile(dir.path("mix.wav"), 1, 44100, SineSamples(440, 0.5, 44100, 1));

    Watcher watcher;
    const Status saved = ExportMp3(dir.path("mix.wav"), dir.path("take.mp3"));
    EXPECT_FALSE(watcher.timedOut);
    EXPECT_TRUE(watcher.form.isNull());
    ASSERT_FALSE(saved);
    EXPECT_EQ(QStringLiteral("加载 lame_enc.so 失败"), saved.failure().text);
    EXPECT_TRUE(messages.all().isEmpty()) << "the caller tells the user";
    EXPECT_FALSE(QFile::exists(dir.path("take.mp3")));
    SetWorkFolders(QStringLiteral(TAVIMO_PROGRAM_DIR "/tavimo"));
}
