// Downloads with the download window against the test HTTP server: retries,
// the texts of each failure, cancel by button and by close box, progress
// without a length, and what happens to the destination.
#include <curl/curl.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "net/http/DownloadOutcome.h"
#include "net/ui/DownloadFile.h"
#include "net/ui/TDownloadStatusCallback.h"
#include "net/ui/TFormDown.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestHttpServer.h"

namespace {

// The download's outcome as success and the failure's text ("" on success).
bool Download(const QString& url, const QString& destination, bool window, int attempts,
              bool fullName, QString* error) {
    const Status got = DownloadFile(url, destination, window, attempts, fullName);
    if (error) *error = got ? QString() : got.failure().text;
    return got.ok();
}

TFormDown* OpenDownloadWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<TFormDown*>(widget); window && window->isVisible()) {
            return window;
        }
    }
    return nullptr;
}

// Runs `look` on the download window every 20 ms while a download runs, and
// whenever its progress line paints (texts shown just before a pause paint
// once and then hold), until `look` returns true.
class WindowWatch : public QObject {
public:
    explicit WindowWatch(std::function<bool(TFormDown&)> look) : look_(std::move(look)) {
        timer_.setInterval(20);
        connect(&timer_, &QTimer::timeout, this, [this] {
            if (TFormDown* window = OpenDownloadWindow()) check(*window);
        });
        timer_.start();
        qApp->installEventFilter(this);
    }
    ~WindowWatch() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!done_ && event->type() == QEvent::Paint &&
            watched->objectName() == QLatin1String("LabelProgress")) {
            if (auto* window = qobject_cast<TFormDown*>(watched->parent())) check(*window);
        }
        return false;
    }

private:
    void check(TFormDown& window) {
        if (done_) return;
        done_ = look_(window);
        if (done_) timer_.stop();
    }

    std::function<bool(TFormDown&)> look_;
    QTimer timer_;
    bool done_ = false;
};

class DownloadFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        qunsetenv("http_proxy");
        qunsetenv("HTTP_PROXY");
        ASSERT_TRUE(server.started());
    }
    QString programName() const {
        return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    }
    TestHttpServer server;
    TempDir dir;
};

}  // namespace

TEST(DownloadTexts, ProgressInKilobytes) {
    EXPECT_EQ("共 1,024k  已下载 512k", DownloadProgressText(524288, 1048576));
    EXPECT_EQ("共 0k  已下载 0k", DownloadProgressText(0, 0));
    EXPECT_EQ("共 0k  已下载 2k", DownloadProgressText(1536, 0));
    EXPECT_EQ("共 3,456k  已下载 1,234k", DownloadProgressText(1234 * 1024 + 100, 3456 * 1024));
    EXPECT_EQ("共 4,194,304k  已下载 4,194,304k",
              DownloadProgressText(uint64_t{4} << 30, uint64_t{4} << 30));
}

TEST(DownloadTexts, OutcomeOfATransfer) {
    const struct {
        int curl;
        long status;
        bool connected;
        int writeErrno;
        uint32_t expected;
    } cases[] = {
        {CURLE_OK, 200, true, 0, download::kOk},
        {CURLE_OK, 204, true, 0, download::kOk},
        {CURLE_HTTP_RETURNED_ERROR, 404, true, 0, download::kObjectNotFound},
        {CURLE_HTTP_RETURNED_ERROR, 410, true, 0, download::kObjectNotFound},
        {CURLE_HTTP_RETURNED_ERROR, 500, true, 0, download::kDownloadFailure},
        {CURLE_HTTP_RETURNED_ERROR, 403, true, 0, download::kDataNotAvailable},
        {CURLE_HTTP_RETURNED_ERROR, 401, true, 0, download::kAuthenticationRequired},
        {CURLE_OK, 302, true, 0, download::kRedirectFailed},
        {CURLE_COULDNT_RESOLVE_HOST, 0, false, 0, download::kResourceNotFound},
        {CURLE_URL_MALFORMAT, 0, false, 0, download::kInvalidUrl},
        {CURLE_UNSUPPORTED_PROTOCOL, 0, false, 0, download::kInvalidUrl},
        {CURLE_COULDNT_CONNECT, 0, false, 0, download::kCannotConnect},
        {CURLE_OPERATION_TIMEDOUT, 0, false, 0, download::kCannotConnect},
        {CURLE_OPERATION_TIMEDOUT, 200, true, 0, download::kDownloadFailure},
        {CURLE_PARTIAL_FILE, 200, true, 0, download::kDownloadFailure},
        {CURLE_RECV_ERROR, 200, true, 0, download::kDownloadFailure},
        {CURLE_GOT_NOTHING, 0, true, 0, download::kDownloadFailure},
        {CURLE_ABORTED_BY_CALLBACK, 200, true, 0, download::kAborted},
        {CURLE_WRITE_ERROR, 200, true, ENOSPC, download::kDiskFull},
        {CURLE_WRITE_ERROR, 200, true, EACCES, download::kAccessDenied},
        {CURLE_WRITE_ERROR, 200, true, ENOENT, download::kPathNotFound},
        {CURLE_WEIRD_SERVER_REPLY, 0, true, 0, download::kFailed},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, DownloadOutcome({c.curl, c.status, c.connected, c.writeErrno}))
            << "curl " << c.curl << " status " << c.status;
    }
}

TEST_F(DownloadFileTest, AWholeFileInTheWindow) {
    // The window opens over the centre of the program's main window.
    QWidget mainWindow;
    mainWindow.setObjectName("FormMain");
    mainWindow.setGeometry(200, 150, 600, 400);
    mainWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));
    const QString target = dir.path("song.mp3");
    QString caption;
    bool onTop = false;
    QRect geometry;
    WindowWatch watch([&](TFormDown& window) {
        caption = window.windowTitle();
        onTop = window.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        geometry = window.geometry();
        return true;
    });
    QString error = "before";
    EXPECT_TRUE(Download(server.url("/trickle?size=200000&piece=20000&every=50"), target, true,
                             3, true, &error));
    EXPECT_EQ("", error);
    EXPECT_TRUE(TestHttpServer::fileHoldsPattern(target, 200000));
    EXPECT_EQ("正在下载文件 song.mp3", caption);
    EXPECT_TRUE(onTop);
    EXPECT_EQ(QSize(360, 117), geometry.size());
    EXPECT_LE((geometry.center() - mainWindow.frameGeometry().center()).manhattanLength(), 2);
    EXPECT_EQ(nullptr, OpenDownloadWindow());

    // The caption cut at the name's first dot; no window at all.
    WindowWatch shortName([&](TFormDown& window) {
        caption = window.windowTitle();
        return true;
    });
    EXPECT_TRUE(Download(server.url("/trickle?size=4000&piece=1000&every=50"),
                             dir.path("my.song.mp3"), true, 1, false, nullptr));
    EXPECT_EQ("正在下载文件 my", caption);
    EXPECT_TRUE(
        Download(server.url("/chunked?size=300000"), dir.path("x"), false, 1, true, &error));
    EXPECT_TRUE(TestHttpServer::fileHoldsPattern(dir.path("x"), 300000));
    EXPECT_TRUE(
        Download(server.url("/close?size=0"), dir.path("empty"), false, 1, true, &error));
    EXPECT_EQ(0, QFileInfo(dir.path("empty")).size());
    EXPECT_TRUE(QFileInfo::exists(dir.path("empty")));
}

TEST_F(DownloadFileTest, BrokenTransfersAreTriedAgain) {
    QString error = "x";
    EXPECT_TRUE(Download(server.url("/flaky?id=twice&fail=2&size=100000&cut=30000"),
                             dir.path("a.mp3"), true, 3, true, &error));
    EXPECT_EQ("", error);
    EXPECT_EQ(3, server.requestsTo("/flaky?id=twice").size());
    EXPECT_TRUE(TestHttpServer::fileHoldsPattern(dir.path("a.mp3"), 100000));

    QString retryText;
    WindowWatch watch([&](TFormDown& window) {
        if (window.LabelProgress->text().contains(QStringLiteral("重试"))) {
            retryText = window.LabelProgress->text();
            return true;
        }
        return false;
    });
    EXPECT_FALSE(Download(server.url("/flaky?id=thrice&fail=3&size=100000&cut=30000&reset=1"),
                              dir.path("b.mp3"), true, 3, true, &error));
    EXPECT_EQ("网络故障", error);
    EXPECT_EQ(3, server.requestsTo("/flaky?id=thrice").size());
    EXPECT_EQ("下载中断,请检查网络是否正常,正在重试...", retryText);

    // A server in trouble is asked again too.
    EXPECT_FALSE(Download(server.url("/status/503"), dir.path("c"), false, 2, true, &error));
    EXPECT_EQ("网络故障", error);
    EXPECT_EQ(2, server.requestsTo("/status/503").size());
}

TEST_F(DownloadFileTest, EachFailureTellsItsOwnText) {
    // A file the server does not have: one attempt, the window's text held.
    const QString missing = server.url("/status/404");
    QString shown;
    WindowWatch watch([&](TFormDown& window) {
        shown = window.LabelProgress->text();
        return shown.startsWith(QStringLiteral("找不到"));
    });
    QString error;
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(Download(missing, dir.path("m.mp3"), true, 3, true, &error));
    EXPECT_GE(clock.elapsed(), 7500);  // the text stays up for its 8 seconds
    EXPECT_EQ(1, server.requestsTo("/status/404").size());
    EXPECT_EQ("找不到文件 " + missing + "   请检查网络是否正常," + programName() +
                  " 是否被防火墙禁止通讯.",
              shown);
    EXPECT_EQ("找不到文件 " + missing + ".  请检查网络是否正常," + programName() +
                  " 是否被防火墙禁止通讯.",
              error);
    EXPECT_FALSE(QFileInfo::exists(dir.path("m.mp3")));

    // No server: no text in the window, no pause.
    TestHttpServer stopped;
    const QString dead = stopped.url("/bytes?size=10");
    stopped.stop();
    EXPECT_FALSE(Download(dead, dir.path("d"), true, 3, true, &error));
    EXPECT_EQ("连接服务器失败 " + stopped.hostPort(), error);

    // An address that is none; another protocol; another failure.
    EXPECT_FALSE(Download("ftp://127.0.0.1/x", dir.path("f"), false, 3, true, &error));
    EXPECT_EQ("URL不正确 ftp://127.0.0.1/x", error);
    EXPECT_FALSE(Download("", dir.path("f"), false, 3, true, &error));
    EXPECT_EQ("URL不正确 ", error);
    EXPECT_FALSE(Download(server.url("/status/403"), dir.path("f"), false, 3, true, &error));
    EXPECT_EQ("下载出错 0x800C0007", error);
    EXPECT_FALSE(Download(server.url("/bytes?size=10"), dir.path("no/such/folder/f"), false, 3,
                              true, &error));
    EXPECT_EQ("下载出错 0x80070003", error);
}

TEST_F(DownloadFileTest, TheDestinationGoesFirst) {
    const QString target = dir.write("old.mp3", "an older download");
    TestHttpServer stopped;
    const QString dead = stopped.url("/bytes?size=10");
    stopped.stop();
    EXPECT_FALSE(Download(dead, target, false, 1, true, nullptr));
    EXPECT_FALSE(QFileInfo::exists(target));
}

TEST_F(DownloadFileTest, CancelByButtonOrCloseBox) {
    const QString slow = server.url("/trickle?size=1000000&piece=1000&every=20");
    WindowWatch clickCancel([&](TFormDown& window) {
        if (!window.LabelProgress->text().startsWith(QStringLiteral("共"))) return false;
        QTest::mouseClick(window.ButtonCancel, Qt::LeftButton);
        return true;
    });
    QElapsedTimer clock;
    clock.start();
    const Status byButton = DownloadFile(slow, dir.path("c1"), true, 3, true);
    ASSERT_FALSE(byButton);
    EXPECT_EQ(FailureCause::Cancelled, byButton.failure().cause);
    EXPECT_EQ("", byButton.failure().text);
    EXPECT_LT(clock.elapsed(), 15000);  // long before the trickle's 20 seconds
    EXPECT_EQ(1, server.requestsTo("/trickle").size());

    WindowWatch closeBox([&](TFormDown& window) {
        if (!window.LabelProgress->text().startsWith(QStringLiteral("共"))) return false;
        window.close();  // as the window manager's close does
        return true;
    });
    clock.restart();
    const Status byCloseBox = DownloadFile(slow, dir.path("c2"), true, 3, true);
    ASSERT_FALSE(byCloseBox);
    EXPECT_EQ(FailureCause::Cancelled, byCloseBox.failure().cause);
    EXPECT_LT(clock.elapsed(), 15000);
}

TEST_F(DownloadFileTest, NoLengthShowsZeroExpected) {
    QString seen;
    int barMaximum = -1;
    WindowWatch watch([&](TFormDown& window) {
        const QString text = window.LabelProgress->text();
        if (!text.startsWith(QStringLiteral("共 0k  已下载 ")) ||
            text.endsWith(QLatin1String(" 0k"))) {
            return false;
        }
        seen = text;
        barMaximum = window.ProgressBar->maximum();
        return true;
    });
    EXPECT_TRUE(Download(server.url("/trickle?size=100000&piece=4096&every=30&length=0"),
                             dir.path("n"), true, 1, true, nullptr));
    EXPECT_TRUE(seen.endsWith(u'k')) << seen.toStdString();
    EXPECT_EQ(0, barMaximum);
    EXPECT_TRUE(TestHttpServer::fileHoldsPattern(dir.path("n"), 100000));
}
