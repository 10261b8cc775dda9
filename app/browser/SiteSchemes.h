#pragma once
// The site's own address scheme "music:" in the browser engine. The engine
// lets a page navigate to a scheme only when it was registered before the
// engine made its first object and a handler serves it; the site pane cancels
// every such navigation itself, so the handler refuses all requests that
// reach it (an image or a script that names a song link).

#include <QWebEngineUrlSchemeHandler>

// Call before the engine makes its first object; later calls do nothing.
void RegisterSiteSchemes();

class MusicSchemeHandler final : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    void requestStarted(QWebEngineUrlRequestJob* job) override;
};
