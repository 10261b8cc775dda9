#pragma once
// The site pane in the upper part of the main window: it shows the site's
// search page and hands the accompaniment behind a song link ("music:") to
// the import: one request turns the link into a download address, the file
// is downloaded into the temp folder with the download window, imported,
// and deleted again. A failed navigation shows the local page blank.html.
// UI thread only.

#include <QObject>
#include <QString>
#include <functional>

#include "workflow/MainWindowParts.h"

class QWebEngineView;
class QWidget;
class AccompanimentImport;
class MusicSchemeHandler;
class SitePage;

class SitePane final : public QObject {
    Q_OBJECT
public:
    // The pane fills `host`, a part of the main window.
    SitePane(MainWindowParts& window, AccompanimentImport& import, QWidget* host);
    ~SitePane() override;

    // The browser, made when the window is first shown; null before.
    QWebEngineView* CppWebBrowser = nullptr;

    // The window is shown: the pane is made after the window has painted
    // itself (the browser engine starts slowly), then shows the start page.
    void FormShow();

    // The pane is about to navigate to `address` (the page or a frame).
    void CppWebBrowserBeforeNavigate2(const QString& address, bool& cancel);
    // A navigation of the page or of a frame failed.
    void CppWebBrowserNavigateError(const QString& address);

    // Fetches, downloads and imports the accompaniment of a song link.
    void FetchMusicLink(const QString& link);

signals:
    // The browser has been made and asked for the start page.
    void paneCreated();

private:
    void CreateBrowser();
    void Navigate(const QString& address);

    MainWindowParts& w_;
    AccompanimentImport& import_;
    QWidget* host_;
    SitePage* page_ = nullptr;
    MusicSchemeHandler* schemeHandler_ = nullptr;
    bool shown_ = false;
};
