#include "base/SiteHosts.h"

#include "base/SiteHostDefaults.h"

namespace {

SiteHosts& Hosts() {
    static SiteHosts hosts{
        QString::fromUtf8(kDefaultSearchHost), QString::fromUtf8(kDefaultMainHost),
        QString::fromUtf8(kDefaultMemberHost), QString::fromUtf8(kDefaultServiceHost)};
    return hosts;
}

QString Http(const QString& host, const QString& path) {
    return QStringLiteral("http://") + host + path;
}

}  // namespace

const SiteHosts& CurrentSiteHosts() { return Hosts(); }
void SetSiteHosts(const SiteHosts& hosts) { Hosts() = hosts; }

QString SearchPageUrl() { return Http(Hosts().search, QStringLiteral("/sbz1.aspx")); }
QString HelpPageUrl() { return Http(Hosts().main, QStringLiteral("/help")); }
QString MemberPageUrl() { return Http(Hosts().member, QStringLiteral("/")); }
QString UpdateUrl() { return Http(Hosts().service, QStringLiteral("/update")); }
QString ReportUrl(const QString& param) {
    return Http(Hosts().service, QStringLiteral("/login.aspx?param=")) + param;
}
