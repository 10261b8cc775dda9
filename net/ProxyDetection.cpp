#include "net/ProxyDetection.h"

#include <QStringList>

#include "net/UrlText.h"

namespace {

// The answer a system query fits into; a longer setting counts as none.
constexpr qsizetype kSettingBytes = 4096;

// "http=proxy:8080 https=proxy:8443" leaves "proxy:8080"; a list without a
// per-scheme entry for http is taken whole.
QString HttpEntry(QString list) {
    const qsizetype http = list.indexOf(QLatin1String("http="));
    if (http < 0) return list;
    list.remove(0, http + 5);
    const qsizetype blank = list.indexOf(u' ');
    if (blank >= 0) list.truncate(blank);
    return list;
}

// A decimal port as a 32-bit signed number; 0 for anything else.
int PortNumber(const QString& text) {
    bool ok = false;
    const int port = text.toInt(&ok, 10);
    return ok ? port : 0;
}

bool Bypassed(const QString& bypassList, const QString& url) {
    if (bypassList.isEmpty()) return false;
    const QString urlHost = HostOfUrl(url).toLower();
    const QStringList entries = ReplaceAll(bypassList, QStringLiteral(" "), QStringLiteral("\r\n"))
                                    .split(QStringLiteral("\r\n"));
    for (const QString& entry : entries) {
        if (HostOfUrl(entry).toLower() == urlHost) return true;
    }
    return false;
}

}  // namespace

bool DetectProxy(const platform::ProxySetting& setting, const QString& url, QString& host,
                 int& port) {
    host.clear();
    port = 0;
    if (!setting.explicitProxy ||
        setting.proxyList.toUtf8().size() + setting.bypassList.toUtf8().size() > kSettingBytes) {
        return false;
    }
    const QString entry = HttpEntry(setting.proxyList);
    const qsizetype colon = entry.indexOf(u':');
    if (colon < 0) return false;
    host = entry.left(colon);
    port = PortNumber(entry.mid(colon + 1));
    if (Bypassed(setting.bypassList, url)) {
        host.clear();
        port = 0;
    }
    return !host.isEmpty();
}

bool DetectProxy(const QString& url, QString& host, int& port) {
    return DetectProxy(platform::QueryProxySetting(), url, host, port);
}
