#include "app/browser/SiteSchemes.h"

#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

void RegisterSiteSchemes() {
    if (QWebEngineUrlScheme::schemeByName("music").name() == "music") return;
    QWebEngineUrlScheme music("music");
    // A host and a port like http, so that the port of a song link survives.
    music.setSyntax(QWebEngineUrlScheme::Syntax::HostAndPort);
    music.setDefaultPort(80);
    music.setFlags(QWebEngineUrlScheme::SecureScheme);
    QWebEngineUrlScheme::registerScheme(music);
}

void MusicSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job) {
    job->fail(QWebEngineUrlRequestJob::RequestDenied);
}
