// The toolkit's own dialogs on a Chinese desktop. CTest runs this binary with
// LANG=zh_CN.UTF-8 and no other language variables, as a Chinese desktop
// session starts programs; no C library locale needs to be generated for it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <functional>

#include "app/FileDialogs.h"
#include "app/QtUserMessages.h"
#include "app/ToolkitTranslations.h"
#include "tests/support/TempDir.h"

namespace {

QStringList ButtonTexts(QWidget* dialog) {
    QStringList texts;
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
        if (qobject_cast<QDialogButtonBox*>(button->parentWidget())) texts << button->text();
    }
    texts.sort();
    return texts;
}

// Runs `step` on each modal window that comes up while `open` runs, until
// `step` returns true; a window left open after 20 s is closed, so a test that
// fails does not hang.
void WhileOpen(const std::function<void()>& open, const std::function<bool(QWidget*)>& step) {
    QTimer poll;
    QElapsedTimer elapsed;
    elapsed.start();
    bool done = false;
    QWidget* last = nullptr;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        if (elapsed.elapsed() > 20000) {
            modal->close();
            return;
        }
        if (done || modal == last || !modal->isVisible()) return;
        last = modal;
        done = step(modal);
    });
    poll.start(50);
    open();
}

}  // namespace

TEST(ToolkitLanguage, DialogsSpeakTheDesktopsLanguage) {
    ASSERT_EQ("zh_CN", QLocale().name().toStdString());
    ASSERT_TRUE(LoadToolkitTranslations());

    TempDir dir;
    dir.write("song.mp3", "ID3");
    QStringList saveButtons;
    QStringList overwriteButtons;
    QString overwriteText;
    QString chosen = QStringLiteral("unchanged");
    WhileOpen(
        [&] { chosen = ChooseMp3Destination(nullptr, "song.mp3", dir.path()); },
        [&](QWidget* modal) {
            if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                saveButtons = ButtonTexts(dialog);
                // Saving over the existing file asks first.
                dialog->findChild<QLineEdit*>("fileNameEdit")->setText("song.mp3");
                QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
                return false;
            }
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                overwriteButtons = ButtonTexts(box);
                overwriteText = box->text();
                box->button(QMessageBox::No)->click();
                // Back in the file dialog: cancel it.
                QTimer::singleShot(100, [] {
                    if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget()))
                        d->reject();
                });
                return true;
            }
            return false;
        });
    EXPECT_EQ("", chosen);
    EXPECT_EQ((QStringList{"保存(&S)", "取消"}), saveButtons)
        << saveButtons.join("|").toStdString();
    EXPECT_EQ((QStringList{"否(&N)", "是(&Y)"}), overwriteButtons)
        << overwriteButtons.join("|").toStdString();
    EXPECT_TRUE(overwriteText.contains("song.mp3")) << overwriteText.toStdString();
    EXPECT_FALSE(overwriteText.contains("already exists")) << overwriteText.toStdString();

    // The program's own message boxes keep their texts; their button is the
    // toolkit's.
    QtUserMessages messages;
    QStringList boxButtons;
    QString boxText;
    WhileOpen([&] { messages.messageBox("请先录歌", "提示"); },
              [&](QWidget* modal) {
                  auto* box = qobject_cast<QMessageBox*>(modal);
                  if (!box) return false;
                  boxButtons = ButtonTexts(box);
                  boxText = box->text();
                  box->accept();
                  return true;
              });
    EXPECT_EQ("请先录歌", boxText);
    EXPECT_EQ((QStringList{"确定"}), boxButtons) << boxButtons.join("|").toStdString();
}
