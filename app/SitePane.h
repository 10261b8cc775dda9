#pragma once
// The site pane in the upper part of the main window: it shows the site's
// search page and hands the accompaniment behind a song link ("music:") to
// the import: one request turns the link into a download address, the file
// is downloaded into the temp folder with the download window, its lyrics
// fetched beside it when the site has them, imported, and deleted again. A failed navigation shows the local page blank.html.
// UI thread only.

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "app/BrowserPane.h"
#include "platform/DynamicLibrary.h"
#include "workflow/Session.h"

class QWidget;
class AccompanimentImport;

class SitePane final : public QObject {
    Q_OBJECT
public:
    // The pane fills `host`, a part of the main window.
    SitePane(Session& session, AccompanimentImport& import, QWidget* host);
    ~SitePane() override;

    // The browser's widget, made when the window is first shown; null before
    // (and when the browser library cannot be loaded).
    QWidget* CppWebBrowser = nullptr;

    // The window is on screen (its first paint is done; the engine starts
    // slowly): the browser library is loaded and the pane made, and it goes
    // to the start page. Called once.
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
    Session& s_;
    AccompanimentImport& import_;
    QWidget* host_;
    platform::DynamicLibrary library_;
    std::unique_ptr<BrowserPane> pane_;
};
