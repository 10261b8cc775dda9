#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QScopeGuard>
#include <QSlider>
#include <QTest>
#include <QUrl>
#include <memory>

#include "app/TFormMain.h"
#include "app/TFormMsg.h"
#include "controls/ClickableLabel.h"
#include "controls/LyricLabel.h"
#include "controls/TCGauge.h"
#include "controls/TEzRgnBtn.h"
#include "controls/TImageList.h"
#include "base/Global.h"
#include "base/SiteHosts.h"
#include "net/UrlText.h"
#include "tests/support/LoopbackMicrophone.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestHttpServer.h"

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    QString programPath() const { return dir.path("tavimo"); }
    std::unique_ptr<TFormMain> makeWindow() {
        auto window = std::make_unique<TFormMain>(programPath());
        window->OpenDialog = [] { return QString(); };  // nobody at the screen
        window->move(100, 100);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return window;
    }
    TempDir dir;
};

// Opens URLs into a list instead of a browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher() { QDesktopServices::setUrlHandler("http", this, "open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler("http"); }
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

// What a window manager does when the user closes a window.
void SendWindowManagerClose(QWidget* window) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(connection));
    auto atom = [&](const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(strlen(name)), name),
            nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        free(reply);
        return value;
    };
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = static_cast<xcb_window_t>(window->winId());
    event.type = atom("WM_PROTOCOLS");
    event.data.data32[0] = atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    // Checked, so the server has handled the request before we disconnect.
    xcb_generic_error_t* error = xcb_request_check(
        connection, xcb_send_event_checked(connection, 0, event.window, XCB_EVENT_MASK_NO_EVENT,
                                           reinterpret_cast<const char*>(&event)));
    EXPECT_EQ(nullptr, error);
    free(error);
    xcb_flush(connection);
    xcb_disconnect(connection);
}

// Runs `make` with XDG_DATA_HOME set to `dataHome`, then restores it.
template <typename Make>
auto WithDataHome(const QByteArray& dataHome, Make make) {
    const bool wasSet = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    const QByteArray old = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dataHome);
    auto made = make();
    if (wasSet) {
        qputenv("XDG_DATA_HOME", old);
    } else {
        qunsetenv("XDG_DATA_HOME");
    }
    return made;
}

}  // namespace

TEST_F(MainWindowTest, FoldersComeFromTheProgramPath) {
    auto window = makeWindow();
    EXPECT_EQ(dir.path() + "/", WorkFolder());
    EXPECT_EQ(dir.path() + "/temp/", TempFolder());
    EXPECT_EQ(dir.path() + "/tavimo.ini", SettingsListPath());
    EXPECT_TRUE(QDir(dir.path("temp")).exists());
    EXPECT_EQ(1, window->CurrentFormat.channels);
    EXPECT_EQ(44100u, window->CurrentFormat.sampleRate);
    EXPECT_EQ(16, window->CurrentFormat.bitsPerSample);
    EXPECT_TRUE(window->OpenTime.isValid());
    EXPECT_LE(window->OpenTime.secsTo(QDateTime::currentDateTime()), 60);
}

TEST_F(MainWindowTest, ComponentsSitAtTheirPlacesWithTheirTexts) {
    auto window = makeWindow();
    EXPECT_EQ(QSize(600, 400), window->size());
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ("Quaviro Tavimo", window->windowTitle());
    EXPECT_EQ(QColor(234, 244, 254), window->palette().color(QPalette::Window));

    EXPECT_EQ(QRect(52, 364, 501, 17), window->LabelText->geometry());
    EXPECT_EQ(QRect(76, 382, 421, 17), window->LabelTextNext->geometry());
    EXPECT_EQ(QString("在本软件文件夹temp子目录中放入同名的LRC歌词文件，即可动态显示歌词"),
              window->LabelText->text());
    EXPECT_EQ("", window->LabelTextNext->text());  // "下一句" is emptied
    EXPECT_EQ("", window->LabelCur->text());       // "请先导入伴奏" is emptied
    EXPECT_EQ(QColor(0, 128, 128), window->LabelText->palette().color(QPalette::WindowText));

    const struct {
        QWidget* widget;
        QPoint at;
        QString text;
    } labels[] = {
        {window->LabelCaption, {16, 8}, "QUAVIRO录歌"},
        {window->LabelSelbanzou, {24, 288}, "选取本地伴奏"},
        {window->LabelTimeTotal, {470, 334}, "/00:00"},
        {window->LabelTimeDone, {438, 334}, "00:00"},
        {window->Label1, {16, 364}, "歌词："},
        {window->Label3, {102, 10}, "版本: 2009.5.12"},
        {window->LabelCur, {120, 316}, ""},
    };
    for (const auto& l : labels) {
        EXPECT_EQ(l.at, l.widget->pos()) << l.text.toStdString();
        EXPECT_EQ(l.text, static_cast<QLabel*>(l.widget)->text());
    }
    EXPECT_TRUE(window->LabelSelbanzou->font().underline());
    EXPECT_TRUE(window->LabelCaption->font().bold());

    const struct {
        QWidget* widget;
        QRect geometry;
        QString hint;
    } placed[] = {
        {window->Image1, {248, 279, 32, 30}, "主音量"},
        {window->Image2, {112, 279, 30, 30}, "麦克风音量"},
        {window->TrackBarOut, {288, 283, 73, 25}, "主音量"},
        {window->TrackBarIn, {144, 283, 73, 25}, "麦克风音量"},
        {window->EzRgnBtnMini, {519, 6, 19, 19}, "最小化"},
        {window->EzRgnBtnHelp, {543, 7, 17, 17}, "帮助"},
        {window->EzRgnBtnClose, {567, 7, 17, 17}, "关闭"},
        {window->SitePaneHost, {16, 36, 569, 242}, ""},
        {window->Panel1, {120, 332, 313, 19}, ""},
        {window->ProgressBar, {1, 1, 311, 17}, "歌曲进度"},
        {window->EzRgnBtnPlay, {514, 328, 72, 24}, "试听"},
        {window->EzRgnBtnSave, {431, 282, 72, 24}, "保存歌曲"},
        {window->EzRgnBtnUpload, {514, 282, 72, 24}, "上传歌曲"},
        {window->EzRgnBtnRecord, {15, 315, 98, 39}, "开始录歌"},
    };
    for (const auto& p : placed) {
        EXPECT_EQ(p.geometry, p.widget->geometry()) << p.hint.toStdString();
        EXPECT_EQ(p.hint, p.widget->toolTip());
    }
    for (QSlider* slider : {window->TrackBarIn, window->TrackBarOut}) {
        EXPECT_EQ(0, slider->minimum());
        EXPECT_EQ(10, slider->maximum());
        EXPECT_EQ(QSlider::TicksBelow, slider->tickPosition());
    }
    EXPECT_EQ(0, window->ProgressBar->Progress());
    EXPECT_FALSE(window->EzRgnBtnPlay->Enabled());
    EXPECT_FALSE(window->EzRgnBtnSave->Enabled());
    EXPECT_TRUE(window->EzRgnBtnUpload->Enabled());
    EXPECT_TRUE(window->EzRgnBtnRecord->Enabled());
    EXPECT_EQ(0, window->EzRgnBtnRecord->Tag());
    EXPECT_EQ(0, window->EzRgnBtnPlay->Tag());
    for (TEzRgnBtn* button : {window->EzRgnBtnMini, window->EzRgnBtnRecord, window->EzRgnBtnPlay}) {
        EXPECT_EQ(pmCrop, button->PaintMode());
        EXPECT_EQ(Qt::PointingHandCursor, button->cursor().shape());
        // Every face keeps its key colour in the corner, which the cut removes.
        EXPECT_FALSE(button->mask().contains(QPoint(0, 0)));
        EXPECT_TRUE(button->mask().contains(button->rect().center()));
    }
    EXPECT_FALSE(window->TimerText->isActive());
    EXPECT_EQ(1000, window->TimerText->interval());
    EXPECT_EQ(3, window->ImageListStart->count());
    EXPECT_EQ(QSize(98, 39), window->ImageListStart->frameSize());
    EXPECT_EQ(2, window->ImageListPlay->count());
    EXPECT_EQ(QSize(72, 24), window->ImageListPlay->frameSize());
}

TEST_F(MainWindowTest, OnceOnScreenTheWindowHasTheIconAndTheSlidersTheServersVolumes) {
    // The test server's default sink and source, set as a volume panel would.
    const auto pactl = [](const QStringList& arguments) {
        QString output;
        PactlSucceeds(arguments, &output);
        return output;
    };
    pactl({"set-sink-volume", "tavimo_speakers", "20000"});  // 0.305: position 3
    pactl({"set-sink-mute", "tavimo_speakers", "1"});
    pactl({"set-source-mute", "tavimo_sine_mic", "1"});
    const auto muted = [&](const char* kind, const char* name) {
        return pactl({QStringLiteral("get-%1-mute").arg(QLatin1String(kind)), name})
            .contains(QLatin1String("yes"));
    };
    auto window = makeWindow();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return window->TrackBarOut->value() == 3 && !muted("sink", "tavimo_speakers") &&
                   !muted("source", "tavimo_sine_mic");
        },
        5000))
        << window->TrackBarOut->value();
    // The program's icon, drawn at the sizes a desktop asks for.
    const QList<QSize> sizes = window->windowIcon().availableSizes();
    for (const int size : {16, 32, 48, 256}) EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
    window.reset();
    pactl({"set-sink-volume", "tavimo_speakers", "65536"});
}

TEST_F(MainWindowTest, DraggingABarePartMovesTheWindowWithAnyButton) {
    auto window = makeWindow();
    const QPoint bare(300, 20);
    ASSERT_EQ(nullptr, window->childAt(bare));
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
        const QPoint start = window->pos();
        QCursor::setPos(window->mapToGlobal(bare));
        QTest::mousePress(window.get(), button, {}, bare);
        EXPECT_TRUE(window->Dragging);
        QCursor::setPos(window->mapToGlobal(bare) + QPoint(30, 12));
        QTest::mouseMove(window.get(), bare + QPoint(30, 12));
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->pos() == start + QPoint(30, 12); }))
            << window->pos().x() << "," << window->pos().y();
        QTest::mouseRelease(window.get(), button, {}, bare + QPoint(30, 12));
        EXPECT_FALSE(window->Dragging);
    }
    // Moving without a button pressed does not move it.
    const QPoint still = window->pos();
    window->ImageMouseMove();
    QCursor::setPos(QCursor::pos() + QPoint(15, 15));
    window->ImageMouseMove();
    QTest::qWait(50);
    EXPECT_EQ(still, window->pos());
}

TEST_F(MainWindowTest, PressesOnControlsNeverStartADrag) {
    UrlCatcher urls;  // the upload button opens a page when clicked
    auto window = makeWindow();
    QWidget* controls[] = {window->LabelCaption, window->LabelSelbanzou, window->Image1,
                           window->TrackBarIn,   window->EzRgnBtnUpload, window->ProgressBar};
    for (QWidget* control : controls) {
        const QPoint centre = control->rect().center();
        QTest::mousePress(control, Qt::LeftButton, {}, centre);
        EXPECT_FALSE(window->Dragging) << control->metaObject()->className();
        QTest::mouseRelease(control, Qt::LeftButton, {}, centre);
    }
}

TEST_F(MainWindowTest, HelpAndUploadOpenTheSitePages) {
    UrlCatcher urls;
    auto window = makeWindow();
    window->EzRgnBtnHelp->Click();
    window->EzRgnBtnUpload->Click();
    ASSERT_EQ(2, urls.opened.size());
    EXPECT_EQ(QUrl(QString("http://%1/help").arg(CurrentSiteHosts().main)), urls.opened[0]);
    EXPECT_EQ(QUrl(QString("http://%1/").arg(CurrentSiteHosts().member)), urls.opened[1]);
}

TEST_F(MainWindowTest, MinimiseButtonMinimisesTheWindow) {
    auto window = makeWindow();
    window->EzRgnBtnMini->Click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->isMinimized(); }));
}

TEST_F(MainWindowTest, SettingsFileSurvivesARunByteForByte) {
    const QByteArray three("first=1\r\n\xb8\xe8\xc7\xfa=gbk\r\nthird\r\n");
    dir.write("tavimo.ini", three);
    {
        auto window = makeWindow();
        EXPECT_EQ(3, window->Settings.Lines.size());
        QFile::remove(dir.path("tavimo.ini"));
    }
    EXPECT_EQ(three, dir.read("tavimo.ini"));
}

TEST_F(MainWindowTest, TheWidgetsShowWhatTheWorkflowSetsThroughTheView) {
    auto window = makeWindow();
    MainWindowView& view = *window;
    view.setControlEnabled(WindowControl::Play, true);
    view.setControlEnabled(WindowControl::Import, false);
    view.setControlTag(WindowControl::Record, 1);
    view.setButtonFace(WindowControl::Record, 2);
    view.setButtonFace(WindowControl::Play, 1);
    view.setControlHint(WindowControl::Record, "重新录歌");
    view.setControlHint(WindowControl::Upload, "上传");
    view.setStatus("录制完毕 歌");
    view.setElapsedTime("00:07");
    view.setTotalTime("/03:00");
    view.setGauge(7, 180);
    view.setLyricLines("这一句", "下一句");
    view.setLyricsBold(true);
    view.setCaption("歌名");
    view.setTimerRunning(true);
    EXPECT_TRUE(window->EzRgnBtnPlay->Enabled());
    EXPECT_FALSE(window->LabelSelbanzou->isEnabled());
    EXPECT_EQ(1, window->EzRgnBtnRecord->Tag());
    EXPECT_EQ(window->ImageListStart->frame(2), window->EzRgnBtnRecord->PicIdle());
    EXPECT_EQ(window->ImageListPlay->frame(1), window->EzRgnBtnPlay->PicIdle());
    EXPECT_EQ("重新录歌", window->EzRgnBtnRecord->toolTip());
    EXPECT_EQ("上传", window->EzRgnBtnUpload->toolTip());
    EXPECT_EQ("录制完毕 歌", window->LabelCur->text());
    EXPECT_EQ("00:07", window->LabelTimeDone->text());
    EXPECT_EQ("/03:00", window->LabelTimeTotal->text());
    EXPECT_EQ(180, window->ProgressBar->MaxValue());
    EXPECT_EQ(7, window->ProgressBar->Progress());
    EXPECT_EQ("这一句", window->LabelText->text());
    EXPECT_EQ("下一句", window->LabelTextNext->text());
    EXPECT_TRUE(window->LabelText->font().bold());
    EXPECT_EQ("歌名", window->windowTitle());
    EXPECT_TRUE(window->TimerText->isActive());
    view.setTimerRunning(false);
    EXPECT_FALSE(window->TimerText->isActive());
    {
        const std::unique_ptr<QObject> note = view.showNote("正在导入伴奏: 歌 ...");
        auto* shown = qobject_cast<TFormMsg*>(note.get());
        ASSERT_NE(nullptr, shown);
        EXPECT_TRUE(shown->isVisible());
        EXPECT_EQ("正在导入伴奏: 歌 ...", shown->LabelMsg->text());
    }
}

TEST_F(MainWindowTest, MissingSettingsFileComesOutEmpty) {
    { auto window = makeWindow(); }
    ASSERT_TRUE(QFile::exists(dir.path("tavimo.ini")));
    EXPECT_EQ(QByteArray(), dir.read("tavimo.ini"));
}

TEST_F(MainWindowTest, CloseButtonAndWindowManagerCloseBothSendTheReportFirst) {
    TestHttpServer site;
    ASSERT_TRUE(site.started());
    const SiteHosts before = CurrentSiteHosts();
    SiteHosts hosts = before;
    hosts.service = HostOfUrl(site.url("/"));
    SetSiteHosts(hosts);
    const auto restore = qScopeGuard([&] { SetSiteHosts(before); });
    for (bool throughButton : {true, false}) {
        QFile::remove(dir.path("tavimo.ini"));
        auto window = makeWindow();
        if (throughButton) {
            window->EzRgnBtnClose->Click();
        } else {
            SendWindowManagerClose(window.get());
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }));
        EXPECT_EQ(throughButton ? 1 : 2, site.requestsTo("/login.aspx").size());
        // The settings are written when the window is destroyed, after the close.
        EXPECT_FALSE(QFile::exists(dir.path("tavimo.ini")));
        window.reset();
        EXPECT_TRUE(QFile::exists(dir.path("tavimo.ini")));
    }
}

TEST(MainWindowFolders, AProgramFolderThatCannotBeWrittenKeepsTheWorkFilesInTheDataFolder) {
    // Nothing can be created below /proc: the program's folder there is what
    // an installed copy's folder is to its user.
    TempDir data;
    auto window = WithDataHome(data.path().toUtf8(), [] {
        return std::make_unique<TFormMain>("/proc/tavimo-test/tavimo");
    });
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_EQ("/proc/tavimo-test/", WorkFolder());
    EXPECT_EQ(data.path("tavimo/temp/"), TempFolder());
    EXPECT_TRUE(QDir(data.path("tavimo/temp")).exists());
    EXPECT_EQ(QStringLiteral("在") + data.path("tavimo/temp") +
                  QStringLiteral("中放入同名的LRC歌词文件，即可动态显示歌词"),
              window->LabelText->text());
    window->close();
    window.reset();
    EXPECT_TRUE(QFile::exists(data.path("tavimo/tavimo.ini")));
    EXPECT_FALSE(QDir("/proc/tavimo-test").exists());
}

TEST(MainWindowFolders, NoWritableFolderAtAllStillStartsAndCloses) {
    auto window = WithDataHome("/proc/tavimo-test-data", [] {
        return std::make_unique<TFormMain>("/proc/tavimo-test/tavimo");
    });
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->close();
    window.reset();
    EXPECT_FALSE(QDir("/proc/tavimo-test-data").exists());
    EXPECT_FALSE(QFile::exists("/proc/tavimo-test/tavimo.ini"));
}

TEST(MessageWindow, IsASmallToolWindowWithOneLine) {
    QWidget owner;
    owner.setGeometry(100, 100, 600, 400);
    owner.show();
    TFormMsg message(&owner);
    message.LabelMsg->setText("正在导入伴奏: song ...");
    message.ShowCentred();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&message));
    EXPECT_EQ(QSize(329, 66), message.size());
    EXPECT_EQ(QPoint(24, 24), message.LabelMsg->pos());
    EXPECT_TRUE(message.windowFlags() & Qt::Tool);
    EXPECT_FALSE(message.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(QColor(194, 223, 252), message.palette().color(QPalette::Window));
    EXPECT_EQ(owner.frameGeometry().center(), message.frameGeometry().center());
}

#include "MainWindowTest.moc"
