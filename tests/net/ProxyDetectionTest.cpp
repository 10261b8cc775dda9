#include <gtest/gtest.h>

#include <cstdlib>

#include "net/ProxyDetection.h"
#include "tests/support/ScopedEnv.h"

namespace {

struct Detected {
    bool found;
    QString host;
    int port;
};

Detected Detect(const char* list, const char* bypass, const char* url) {
    platform::ProxySetting setting{true, QString::fromUtf8(list), QString::fromUtf8(bypass)};
    Detected d{false, QStringLiteral("unset"), -1};
    d.found = DetectProxy(setting, QString::fromUtf8(url), d.host, d.port);
    return d;
}

// Sets or clears an environment variable for the lifetime of the object.

}  // namespace

TEST(DetectProxy, ProxyLists) {
    const struct {
        const char* list;
        const char* bypass;
        const char* url;
        bool found;
        const char* host;
        int port;
    } cases[] = {
        {"http=proxy:8080 https=proxy:8443", "", "http://h/x", true, "proxy", 8080},
        {"https=s:1 http=p:2", "", "http://h/x", true, "p", 2},
        {"proxy:3128", "", "http://h/x", true, "proxy", 3128},
        {"http=proxy", "", "http://h/x", false, "", 0},
        {"http=proxy:abc", "", "http://h/x", true, "proxy", 0},
        {"http=proxy:99999999999", "", "http://h/x", true, "proxy", 0},
        {"http=:80", "", "http://h/x", false, "", 80},
        {"", "", "http://h/x", false, "", 0},
        // Bypass entries are compared literally, port included.
        {"http=p:1", "host:81", "http://host:81/x", false, "", 0},
        {"http=p:1", "host:81", "http://host/x", true, "p", 1},
        {"http=p:1", "other HOST", "http://host/x", false, "", 0},
        {"http=p:1", "*.example.com <local>", "http://www.example.com/", true, "p", 1},
        {"http=p:1", "<local>", "http://localhost/", true, "p", 1},
    };
    for (const auto& c : cases) {
        const Detected d = Detect(c.list, c.bypass, c.url);
        EXPECT_EQ(c.found, d.found) << c.list << " | " << c.bypass << " | " << c.url;
        EXPECT_EQ(QString::fromUtf8(c.host), d.host) << c.list;
        EXPECT_EQ(c.port, d.port) << c.list;
    }
}

TEST(DetectProxy, NoExplicitProxyAndOversizedSettings) {
    QString host = "x";
    int port = 7;
    EXPECT_FALSE(
        DetectProxy(platform::ProxySetting{false, "http=p:1", ""}, "http://h/", host, port));
    EXPECT_TRUE(host.isEmpty());
    EXPECT_EQ(0, port);
    // A setting longer than a system answer holds counts as none.
    EXPECT_FALSE(DetectProxy(platform::ProxySetting{true, "http=p:1", QString(5000, u'a')},
                             "http://h/", host, port));
}

TEST(DetectProxy, DesktopSettingFromTheEnvironment) {
    const struct {
        const char* httpProxy;
        const char* noProxy;
        bool explicitProxy;
        const char* list;
        const char* bypass;
    } cases[] = {
        {"http://proxy.lan:3128/", "localhost,127.0.0.1:8479", true, "http=proxy.lan:3128",
         "localhost 127.0.0.1:8479"},
        {"http://user:pw@p:8080", "", true, "http=p:8080", ""},
        {"http://p", " a , ,b ", true, "http=p:80", "a b"},
        {"p:81", "", true, "http=p:81", ""},
        {"", "x", false, "", ""},
        {"  ", "", false, "", ""},
        {"garbage ::: \x01", "", true, "http=garbage ::: \x01", ""},
    };
    for (const auto& c : cases) {
        const platform::ProxySetting s = platform::ProxySettingFrom(c.httpProxy, c.noProxy);
        EXPECT_EQ(c.explicitProxy, s.explicitProxy) << c.httpProxy;
        EXPECT_EQ(QString::fromUtf8(c.list), s.proxyList) << c.httpProxy;
        EXPECT_EQ(QString::fromUtf8(c.bypass), s.bypassList) << c.httpProxy;
    }

    ScopedEnv lower("http_proxy", "http://lower:1");
    ScopedEnv upper("HTTP_PROXY", "http://upper:2");
    ScopedEnv noProxy("no_proxy", "h:9");
    QString host;
    int port = 0;
    EXPECT_TRUE(DetectProxy("http://x/", host, port));
    EXPECT_EQ("lower", host);
    EXPECT_EQ(1, port);
    EXPECT_FALSE(DetectProxy("http://h:9/", host, port));
    {
        ScopedEnv none("http_proxy", std::nullopt);
        EXPECT_TRUE(DetectProxy("http://x/", host, port));
        EXPECT_EQ("upper", host);
    }
    ScopedEnv noneLower("http_proxy", std::nullopt);
    ScopedEnv noneUpper("HTTP_PROXY", std::nullopt);
    EXPECT_FALSE(DetectProxy("http://x/", host, port));
}
