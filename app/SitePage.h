#pragma once
// The site pane's page: tells its owner about every navigation the pane is
// about to make (links, scripts, frames) and lets it cancel it, and about
// every navigation that failed, of the page or of one of its frames.
// UI thread only.

#include <QWebEnginePage>
#include <functional>

class SitePage final : public QWebEnginePage {
    Q_OBJECT
public:
    // `address` is about to load; set `cancel` to keep the pane where it is.
    using BeforeNavigate = std::function<void(const QString& address, bool& cancel)>;
    using NavigateError = std::function<void(const QString& address)>;

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
