#pragma once
// The site pane's page: tells its owner about every navigation the pane is
// about to make (links, scripts, frames) and lets it cancel it, and about
// every navigation that failed, of the page or of one of its frames.
// UI thread only.

#include <QWebEnginePage>

#include "app/BrowserPane.h"

class SitePage final : public QWebEnginePage {
    Q_OBJECT
public:
    using BeforeNavigate = BrowserPane::BeforeNavigate;
    using NavigateError = BrowserPane::NavigateError;

    SitePage(QWebEngineProfile* profile, BeforeNavigate beforeNavigate, NavigateError navigateError,
             QObject* parent);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int line, const QString& source) override;

private:
    void InstallFrameWatch();

    BeforeNavigate beforeNavigate_;
    NavigateError navigateError_;
};
