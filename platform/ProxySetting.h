#pragma once
// The desktop's proxy setting for plain http, as a system proxy query gives
// it: an explicit proxy or none, the proxy list ("http=host:port") and the
// bypass list (entries separated by blanks). On Linux desktops the setting
// reaches programs as the environment variables http_proxy (or HTTP_PROXY)
// and no_proxy (or NO_PROXY). Any thread.

#include <QByteArray>
#include <QString>

namespace platform {

struct ProxySetting {
    bool explicitProxy = false;  // false: connect directly
    QString proxyList;
    QString bypassList;
};

// The setting in force in this process's environment.
ProxySetting QueryProxySetting();

// The setting that the two variables' values give (empty: unset).
ProxySetting ProxySettingFrom(const QByteArray& httpProxy, const QByteArray& noProxy);

}  // namespace platform
