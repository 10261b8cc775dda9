#include "app/browser/SitePage.h"

#include <QWebEngineLoadingInfo>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

namespace {

// The engine reports failed loads of the page, but not of its frames. A
// frame that failed shows the engine's error page; a script of the
// program's own, run in every frame in a world the site's scripts cannot
// reach, tells so through the console, under a source name no page can use.
constexpr char kFrameWatchName[] = "tavimo-frame-watch";
constexpr char kFrameFailedMessage[] = "tavimo: frame failed";
constexpr int kAbortedError = -3;  // a load given up for another one: no failure

}  // namespace

SitePage::SitePage(QWebEngineProfile* profile, BeforeNavigate beforeNavigate,
                   NavigateError navigateError, QObject* parent)
    : QWebEnginePage(profile, parent),
      beforeNavigate_(std::move(beforeNavigate)),
      navigateError_(std::move(navigateError)) {
    InstallFrameWatch();
    connect(this, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus &&
            info.errorCode() != kAbortedError) {
            navigateError_(info.url().toString());
        }
    });
}

void SitePage::InstallFrameWatch() {
    QWebEngineScript watch;
    watch.setName(QLatin1String(kFrameWatchName));
    watch.setInjectionPoint(QWebEngineScript::DocumentReady);
    watch.setRunsOnSubFrames(true);
    watch.setWorldId(QWebEngineScript::ApplicationWorld);
    watch.setSourceCode(QStringLiteral("if (window !== window.top && "
                                       "location.protocol === 'chrome-error:') console.log('%1');")
                            .arg(QLatin1String(kFrameFailedMessage)));
    scripts().insert(watch);
}

bool SitePage::acceptNavigationRequest(const QUrl& url, NavigationType, bool) {
    bool cancel = false;
    beforeNavigate_(url.toString(), cancel);
    return !cancel;
}

void SitePage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int,
                                        const QString& source) {
    if (source == QLatin1String("userscript:") + QLatin1String(kFrameWatchName) &&
        message == QLatin1String(kFrameFailedMessage)) {
        navigateError_(QString());
    }
}
