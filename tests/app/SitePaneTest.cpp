// The site pane, the exit report and the updater in the real window against
// the stand-in site: real clicks on the pages, real downloads and imports.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>
#include <memory>

#include "app/ExitReport.h"
#include "app/SitePane.h"
#include "app/TFormMain.h"
#include "controls/ClickableLabel.h"
#include "controls/LyricLabel.h"
#include "controls/TEzRgnBtn.h"
#include "base/SiteHosts.h"
#include "lyrics/Lyrics.h"
#include "lyrics/LyricsEncoding.h"
#include "net/http/HttpGetText.h"
#include "tests/support/RecordedMessages.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestSite.h"

namespace {

constexpr int kWaitMs = 20000;

// Counts the download windows that appear.
class DownloadWindowCount : public QObject {
public:
    DownloadWindowCount() { qApp->installEventFilter(this); }
    ~DownloadWindowCount() override { qApp->removeEventFilter(this); }
    int shown = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->objectName() == QLatin1String("FormDown")) {
            ++shown;
        }
        return false;
    }
};

// A program folder of the test's own, with what the program loads beside it.
void FillProgramFolder(const TempDir& dir) {
    for (const char* file : {"ostrel.so", "pellin.so", "webpane.so", "blank.html"}) {
        QFile::copy(QStringLiteral(TAVIMO_PROGRAM_DIR "/") + file, dir.path(file));
    }
    QDir().mkpath(dir.path("temp"));
}

class SitePaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        qunsetenv("http_proxy");
        qunsetenv("HTTP_PROXY");
        ASSERT_TRUE(site.started());
        SetSiteHosts({site.hostPort(), site.hostPort(), site.hostPort(), site.hostPort()});
        FillProgramFolder(dir);
    }
    void TearDown() override { window.reset(); }

    // The window as the program shows it; waits for the search page.
    void OpenWindow() {
        window = std::make_unique<TFormMain>(dir.path("tavimo"));
        window->OpenDialog = [] { return QString(); };
        window->move(100, 100);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return view() != nullptr; }, kWaitMs));
        ASSERT_TRUE(waitForUrl(site.url("/sbz1.aspx")));
    }
    QWebEngineView* view() const {
        return window ? qobject_cast<QWebEngineView*>(window->Site->CppWebBrowser) : nullptr;
    }

    // Waits until the pane shows `url` loaded.
    bool waitForUrl(const QString& url) {
        return QTest::qWaitFor([&] { return view()->url() == QUrl(url) && !loading(); }, kWaitMs);
    }
    bool loading() {
        // The page tells by script whether it has finished loading.
        return evaluate("document.readyState").toString() != QLatin1String("complete");
    }
    QVariant evaluate(const QString& script) {
        QVariant result;
        bool done = false;
        view()->page()->runJavaScript(script, [&](const QVariant& value) {
            result = value;
            done = true;
        });
        if (!QTest::qWaitFor([&] { return done; }, 5000)) return QVariant();
        return result;
    }
    bool load(const QString& path) {
        view()->load(QUrl(site.url(path)));
        return waitForUrl(site.url(path));
    }
    // A real mouse click on the element with `id`, where the page shows it.
    void click(const QString& id) {
        const QJsonObject box =
            QJsonDocument::fromJson(
                evaluate(QStringLiteral("(function(){ var r = document.getElementById('%1')"
                                        ".getBoundingClientRect(); return JSON.stringify({x: r.x"
                                        " + r.width / 2, y: r.y + r.height / 2}); })()")
                             .arg(id))
                    .toString()
                    .toUtf8())
                .object();
        ASSERT_FALSE(box.isEmpty()) << id.toStdString();
        const QPoint at(qRound(box["x"].toDouble()), qRound(box["y"].toDouble()));
        QWidget* target = view()->focusProxy() ? view()->focusProxy() : view();
        QTest::mouseMove(target, at);
        QTest::mouseClick(target, Qt::LeftButton, {}, at);
    }
    QString temp(const QString& name) const { return dir.path("temp/" + name); }
    bool waitForImport(const QString& musicFile) {
        return QTest::qWaitFor(
            [&] { return window->MusicFile == musicFile && !window->State.accompanimentBusy(); }, kWaitMs);
    }

    TestSite site;
    TempDir dir;
    RecordedMessages messages;
    std::unique_ptr<TFormMain> window;
};

}  // namespace

TEST_F(SitePaneTest, ASongLinkIsFetchedDownloadedAndImported) {
    OpenWindow();
    EXPECT_EQ(site.url("/sbz1.aspx"), view()->url().toString());
    DownloadWindowCount downloadWindows;
    click("song-1");
    ASSERT_TRUE(waitForImport(temp("xiaoxingxing.mp3")));
    EXPECT_EQ(1, downloadWindows.shown);
    EXPECT_TRUE(QFileInfo(temp("bgsound.wav")).size() > 44);
    EXPECT_FALSE(QFileInfo::exists(temp("xiaoxingxing.mp3")));
    EXPECT_EQ("已导入伴奏: xiaoxingxing", window->LabelCur->text());
    EXPECT_EQ("/00:38", window->LabelTimeTotal->text());
    EXPECT_TRUE(messages.all().isEmpty()) << messages.texts().join('|').toStdString();
    // Its lyrics came with it, and the take shows them.
    const Result<QByteArray> lyrics = HttpGetSmallFile(site.url("/music/xiaoxingxing.lrc"));
    ASSERT_TRUE(lyrics);
    EXPECT_EQ(lyrics.value(), dir.read("temp/xiaoxingxing.lrc"));
    const ParsedLyrics parsed = ParseLyrics(DecodeLyricsText(lyrics.value()));
    ASSERT_FALSE(parsed.lines.isEmpty());
    window->Take.ButtonRecordClick();
    EXPECT_EQ(parsed.artist.value_or("?"), window->LabelText->text());
    const int first = parsed.lines.firstKey();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->LabelText->text() == parsed.lines.first(); },
                                (first + 2) * 1000));
    window->Take.ButtonRecordClick();
    // The pane stays on the page that held the link.
    EXPECT_EQ(site.url("/sbz1.aspx"), view()->url().toString());

    // A WMA song goes through the WMA library the same way.
    click("song-5");
    ASSERT_TRUE(waitForImport(temp("chenfeng.wma")));
    EXPECT_EQ("/00:32", window->LabelTimeTotal->text());
    EXPECT_FALSE(QFileInfo::exists(temp("chenfeng.wma")));
}

TEST_F(SitePaneTest, LinksOfEveryCaseAndScriptsAreSongLinks) {
    OpenWindow();
    ASSERT_TRUE(load("/edge/schemes.html"));
    click("upper");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->MusicFile.isEmpty(); }, kWaitMs));
    ASSERT_TRUE(waitForImport(window->MusicFile));
    EXPECT_TRUE(QFileInfo(temp("bgsound.wav")).size() > 44);

    // A link without a name is stored under its extension alone.
    click("no-name");
    ASSERT_TRUE(waitForImport(temp(".mp3")));

    // A script that goes to a song link by itself, and one after a click on
    // something that is no link.
    ASSERT_TRUE(load("/edge/script-load.html"));
    ASSERT_TRUE(waitForImport(temp("scripted.mp3")));
    ASSERT_TRUE(load("/edge/script-click.html"));
    click("press");
    ASSERT_TRUE(waitForImport(temp("clicked.mp3")));
    EXPECT_TRUE(messages.all().isEmpty()) << messages.texts().join('|').toStdString();
}

TEST_F(SitePaneTest, OtherSchemesNavigateNormally) {
    OpenWindow();
    ASSERT_TRUE(load("/edge/schemes.html"));
    click("musicbox");
    QTest::qWait(1500);
    EXPECT_TRUE(window->MusicFile.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(temp("bgsound.wav")));
    EXPECT_TRUE(messages.all().isEmpty());
}

TEST_F(SitePaneTest, AFetchThatAnswersNothingIsTold) {
    OpenWindow();
    ASSERT_TRUE(load("/edge/answers.html"));
    for (const char* id : {"empty-answer", "blank-answer"}) {
        messages.clear();
        click(id);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.all().isEmpty(); }, kWaitMs)) << id;
        EXPECT_EQ("打开 url 失败", messages.all()[0].text);
        EXPECT_EQ("提示", messages.all()[0].caption);
        EXPECT_EQ(site.url("/edge/answers.html"), view()->url().toString());
    }
    EXPECT_FALSE(QFileInfo::exists(temp("bgsound.wav")));
    EXPECT_TRUE(window->MusicFile.isEmpty());
}

TEST_F(SitePaneTest, NamesFromThePageStayInTheTempFolder) {
    OpenWindow();
    const QStringList outside = {dir.path("x.mp3"), dir.path("x"), "/tmp/x.mp3",
                                 dir.path("a/b.mp3")};
    for (const QString& path : outside) ASSERT_FALSE(QFileInfo::exists(path)) << path.toStdString();
    const QStringList programFolder =
        QDir(dir.path())
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    ASSERT_TRUE(load("/edge/names.html"));
    const struct {
        const char* id;
        const char* stored;
    } links[] = {
        {"dotdot", "x.mp3"},           {"absolute", "x.mp3"},       {"subfolder", "b.mp3"},
        {"absolute-encoded", nullptr}, {"dotdot-encoded", nullptr},
    };
    for (const auto& link : links) {
        window->MusicFile.clear();
        click(link.id);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window->MusicFile.isEmpty(); }, kWaitMs))
            << link.id;
        ASSERT_TRUE(waitForImport(window->MusicFile));
        const QString stored = window->MusicFile;
        EXPECT_EQ(QFileInfo(temp("")).absolutePath(), QFileInfo(stored).absolutePath())
            << link.id << " " << stored.toStdString();
        if (link.stored) {
            EXPECT_EQ(temp(link.stored), stored) << link.id;
        }
        EXPECT_FALSE(QFileInfo::exists(stored));
    }
    for (const QString& path : outside) EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
    EXPECT_EQ(programFolder,
              QDir(dir.path())
                  .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name));
}

TEST_F(SitePaneTest, NoSecondSongWhileOneIsOnItsWayOrATakeRecords) {
    OpenWindow();
    window->State.setAccompanimentBusy(true);
    click("song-1");
    QTest::qWait(1500);
    EXPECT_TRUE(window->MusicFile.isEmpty());
    window->State.setAccompanimentBusy(false);

    window->State.setPhase(TakePhase::Recording);  // as during a take
    click("song-2");
    QTest::qWait(1500);
    EXPECT_TRUE(window->MusicFile.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(temp("bgsound.wav")));
    window->State.setPhase(TakePhase::Idle);
    EXPECT_EQ(site.url("/sbz1.aspx"), view()->url().toString());
}

TEST_F(SitePaneTest, FailedNavigationsShowTheBlankPage) {
    OpenWindow();
    const QUrl blank = QUrl::fromLocalFile(dir.path("blank.html"));
    ASSERT_TRUE(load("/edge/links-fail.html"));
    click("dead-link");
    EXPECT_TRUE(QTest::qWaitFor([&] { return view()->url() == blank; }, kWaitMs))
        << view()->url().toString().toStdString();
    // A frame that fails sends the whole pane there too.
    view()->load(QUrl(site.url("/edge/frame-dead.html")));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return view()->url() == QUrl(site.url("/edge/frame-dead.html")); }, kWaitMs));
    EXPECT_TRUE(QTest::qWaitFor([&] { return view()->url() == blank; }, kWaitMs))
        << view()->url().toString().toStdString();
    // Without blank.html the pane shows what the engine shows, and does not loop.
    QFile::remove(dir.path("blank.html"));
    view()->load(QUrl(site.url("/edge/links-fail.html")));
    ASSERT_TRUE(waitForUrl(site.url("/edge/links-fail.html")));
    click("dead-link");
    QTest::qWait(2000);
    EXPECT_NE(view()->url(), QUrl(site.url("/edge/links-fail.html")));
}

TEST_F(SitePaneTest, ClosingSendsTheExitReport) {
    OpenWindow();
    click("song-1");
    ASSERT_TRUE(waitForImport(temp("xiaoxingxing.mp3")));
    const QDateTime opened = window->OpenTime;
    window->close();
    ASSERT_TRUE(site.waitForReports(1));
    const QByteArray report = site.reports().last();
    const QList<QByteArray> lines = report.split('\n');
    ASSERT_EQ(5, lines.size()) << report.toStdString();  // four lines, each ended by CR LF
    EXPECT_TRUE(report.endsWith("\r\n"));
    EXPECT_EQ("hostname=" + HostName() + "\r", lines[0]);
    EXPECT_EQ("opentime=" + opened.toString("yyyy-MM-dd HH:mm:ss").toUtf8() + "\r", lines[1]);
    EXPECT_TRUE(QRegularExpression("^closetime=\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\r$")
                    .match(QString::fromUtf8(lines[2]))
                    .hasMatch())
        << lines[2].toStdString();
    EXPECT_EQ("music=xiaoxingxing.mp3\r", lines[3]);
}

TEST_F(SitePaneTest, ClosingWithTheSiteDownIsPrompt) {
    OpenWindow();
    site.stop();
    QElapsedTimer clock;
    clock.start();
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_LT(clock.elapsed(), 3000);
}

TEST_F(SitePaneTest, TheUpdaterStartsOnceWithItsCommandLine) {
    QFile::copy(QStringLiteral(TAVIMO_ARGV_RECORDER), dir.path("update"));
    const QString log = dir.path("update.log");
    qputenv("TAVIMO_ARGV_LOG", log.toUtf8());
    OpenWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(log); }, kWaitMs));
    QTest::qWait(2500);
    qunsetenv("TAVIMO_ARGV_LOG");
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> starts = file.readAll().split('\n');
    ASSERT_EQ(2, starts.size());  // one record, then the end
    EXPECT_EQ(QByteArray(dir.path("update").toUtf8() + '\0' + UpdateUrl().toUtf8() + '\0' +
                         "-Otavimo" + '\0'),
              starts[0]);
    EXPECT_FALSE(window->TimerShow->isActive());
}

TEST_F(SitePaneTest, WithoutAnUpdaterTheWindowGoesOnAtOnce) {
    OpenWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->TimerShow->isActive(); }, kWaitMs));
    // The event loop runs: a short timer fires about when it should.
    QElapsedTimer clock;
    clock.start();
    bool fired = false;
    QTimer::singleShot(50, [&] { fired = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return fired; }, 5000));
    EXPECT_LT(clock.elapsed(), 1000);
}

// The pane's keyboard: the focus starts on the window's first control, Tab
// goes into the page and out of it to the window's controls again, Shift+Tab
// likewise backwards, and F6 goes between the pane and the controls.
TEST_F(SitePaneTest, TheKeyboardGoesIntoThePaneAndOutAgain) {
    OpenWindow();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_EQ(static_cast<QWidget*>(window->LabelSelbanzou), QApplication::focusWidget());

    const auto inPane = [&] {
        QWidget* focus = QApplication::focusWidget();
        return focus && window->SitePaneHost->isAncestorOf(focus);
    };
    // Real key presses, through the X server to the window that has the focus.
    const auto key = [&](const char* keys) {
        QProcess::execute("xdotool", {"key", keys});
        QTest::qWait(80);
    };
    // Presses of `keys` until the focus leaves the pane, at most 60; where it went.
    const auto leavePane = [&](const char* keys) -> QWidget* {
        for (int i = 0; i < 60 && inPane(); ++i) key(keys);
        return inPane() ? nullptr : QApplication::focusWidget();
    };
    const QString blank = QUrl::fromLocalFile(dir.path("blank.html")).toString();
    for (const QString& page : {site.url("/sbz1.aspx"), blank}) {
        SCOPED_TRACE(page.toStdString());
        view()->load(QUrl(page));
        ASSERT_TRUE(waitForUrl(page));
        window->TrackBarOut->setFocus();
        key("Tab");  // the pane comes after the last slider
        ASSERT_TRUE(inPane());
        EXPECT_EQ(static_cast<QWidget*>(window->LabelSelbanzou), leavePane("Tab"));

        window->LabelSelbanzou->setFocus();
        key("shift+Tab");  // from the first control back into the pane
        ASSERT_TRUE(inPane());
        EXPECT_EQ(static_cast<QWidget*>(window->TrackBarOut), leavePane("shift+Tab"));

        window->EzRgnBtnUpload->setFocus();
        key("F6");
        EXPECT_TRUE(inPane());
        key("F6");
        EXPECT_EQ(static_cast<QWidget*>(window->EzRgnBtnUpload), QApplication::focusWidget());
    }
}
