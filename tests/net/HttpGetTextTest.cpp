// Short text requests against the test HTTP server and a real proxy: what
// comes back, what was sent, and that every fault ends in "" in bounded time.
#include <gtest/gtest.h>

#include <link.h>

#include <QElapsedTimer>
#include <cstdlib>
#include <cstring>

#include "net/http/CurlLibrary.h"
#include "net/http/HttpGetText.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/TestProxy.h"

namespace {

// Sets an environment variable (or clears it, for null) for the object's life.

// No proxy from the machine's own environment in these tests.
class HttpGetTextTest : public ::testing::Test {
protected:
    ScopedEnv noLower_{"http_proxy", std::nullopt};
    ScopedEnv noUpper_{"HTTP_PROXY", std::nullopt};
    TestHttpServer server;
};

QString Trimmed(const QByteArray& bytes) {
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && static_cast<unsigned char>(bytes[begin]) <= 32) ++begin;
    while (end > begin && static_cast<unsigned char>(bytes[end - 1]) <= 32) --end;
    return QString::fromUtf8(bytes.mid(begin, end - begin));
}

// Whether a library whose file name contains `part` is in the process.
bool LibraryLoaded(const char* part) {
    return dl_iterate_phdr(
               [](dl_phdr_info* info, size_t, void* wanted) {
                   return std::strstr(info->dlpi_name, static_cast<const char*>(wanted)) ? 1 : 0;
               },
               const_cast<char*>(part)) != 0;
}

}  // namespace

// First in this file, while the process has made no request yet.
TEST(CurlLibrary, IsLoadedByTheFirstRequestNotBefore) {
    EXPECT_FALSE(LibraryLoaded("libcurl"));
    TestHttpServer server;
    ASSERT_TRUE(server.started());
    EXPECT_EQ(Trimmed(TestHttpServer::patternBytes(0, 100)),
              HttpGetText(server.url("/bytes?size=100")));
    EXPECT_TRUE(LibraryLoaded("libcurl"));
}

TEST(CurlLibrary, AMissingLibraryOrOneThatIsNotLibcurlIsRefusedWithTheReason) {
    const auto missing = net_http::LoadCurlFunctions("libtavimo-not-there.so");
    ASSERT_FALSE(missing);
    EXPECT_TRUE(missing.failure().text.contains("libtavimo-not-there.so"))
        << missing.failure().text.toStdString();
    const auto other = net_http::LoadCurlFunctions("libz.so.1");
    ASSERT_FALSE(other);
    EXPECT_TRUE(other.failure().text.contains("lacks a libcurl entry point"))
        << other.failure().text.toStdString();
}

TEST_F(HttpGetTextTest, BodiesWhateverTheirFraming) {
    ASSERT_TRUE(server.started());
    const QString expected = Trimmed(TestHttpServer::patternBytes(0, 70000));
    EXPECT_EQ(expected, HttpGetText(server.url("/bytes?size=70000")));
    EXPECT_EQ(expected, HttpGetText(server.url("/chunked?size=70000&chunk=1000")));
    EXPECT_EQ(expected, HttpGetText(server.url("/close?size=70000")));
    EXPECT_EQ("http://h.x/song.mp3", HttpGetText(server.echoUrl("  http://h.x/song.mp3\r\n")));
    EXPECT_EQ("", HttpGetText(server.echoUrl(" \r\n\t \n")));
    EXPECT_EQ("", HttpGetText(server.url("/bytes?size=0")));
    EXPECT_EQ("歌曲 a", HttpGetText(server.echoUrl("\x01歌曲 a \n")));
}

TEST_F(HttpGetTextTest, OneGetAsHttp11WithNoHeaderOfItsOwn) {
    ASSERT_TRUE(server.started());
    EXPECT_EQ("x", HttpGetText(server.echoUrl("x")));
    const QList<LoggedRequest> requests = server.requestsTo("/echo");
    ASSERT_EQ(1, requests.size());
    EXPECT_EQ("GET", requests[0].method());
    EXPECT_TRUE(requests[0].requestLine.endsWith(" HTTP/1.1"))
        << requests[0].requestLine.toStdString();
    EXPECT_TRUE(requests[0].target().startsWith('/'));
    EXPECT_EQ(server.hostPort(), requests[0].header("Host"));
    for (const char* header :
         {"User-Agent", "Cookie", "Authorization", "Referer", "Proxy-Connection"}) {
        EXPECT_TRUE(requests[0].header(header).isNull()) << header;
    }
}

TEST_F(HttpGetTextTest, AnythingButSuccessGivesNothing) {
    ASSERT_TRUE(server.started());
    for (const char* path :
         {"/status/404", "/status/410", "/status/500", "/status/204", "/status/301",
          "/redirect?to=/echo%3Fbody%3Dx", "/malformed", "/drop", "/drop?reset=1",
          "/flaky?id=a&size=1000&cut=10", "/raw?data=garbage%0D%0A%0D%0A"}) {
        EXPECT_EQ("", HttpGetText(server.url(path))) << path;
    }
    // The redirect was not followed.
    EXPECT_TRUE(server.requestsTo("/echo").isEmpty());
    // https is not spoken at all: nothing reaches the server.
    const int before = server.requests().size();
    EXPECT_EQ("", HttpGetText("https://" + server.hostPort() + "/echo?body=x"));
    EXPECT_EQ(before, server.requests().size());
}

TEST_F(HttpGetTextTest, DeadServersAndEndlessBodiesEnd) {
    ASSERT_TRUE(server.started());
    TestHttpServer stopped;
    const QString dead = stopped.url("/echo?body=x");
    stopped.stop();
    EXPECT_EQ("", HttpGetText(dead));

    QElapsedTimer clock;
    clock.start();
    // A body without end stops at the text limit; without the limit this
    // would run (and grow) for ever.
    EXPECT_EQ("", HttpGetText(server.url("/endless?chunk=65536")));
    // A server that never answers is given up once the transfer stalls.
    EXPECT_EQ("", HttpGetText(server.url("/hang")));
    EXPECT_LT(clock.elapsed(), 60000);
    // A trickle that keeps coming is slow, not dead.
    EXPECT_EQ(Trimmed(TestHttpServer::patternBytes(0, 40)),
              HttpGetText(server.url("/trickle?size=40&piece=4&every=100")));
}

TEST_F(HttpGetTextTest, BadAddressesGiveNothing) {
    ASSERT_TRUE(server.started());
    const QString base = server.url("/echo?body=");
    for (const QString& url :
         {QString(), QStringLiteral("   "), QStringLiteral("not a url"), QStringLiteral("http://"),
          QStringLiteral("ftp://127.0.0.1/x"), QStringLiteral("file:///etc/passwd"),
          base + QStringLiteral("a b"), base + QStringLiteral("a\r\nHost: evil"),
          base + QChar(0) + QStringLiteral("x"), QStringLiteral("http://127.0.0.1:99999/x"),
          QStringLiteral("http://[::1/x"), base + QString(100000, u'x')}) {
        EXPECT_EQ("", HttpGetText(url)) << url.left(80).toStdString();
    }
    // Characters outside ASCII travel percent-encoded.
    EXPECT_EQ("歌曲", HttpGetText(base + QStringLiteral("歌曲")));
}

TEST_F(HttpGetTextTest, ThroughTheDesktopsProxyUnlessBypassed) {
    ASSERT_TRUE(server.started());
    TestProxy proxy;
    ASSERT_TRUE(proxy.started());
    ScopedEnv viaProxy("http_proxy", proxy.url().toUtf8());
    const QString url = server.echoUrl("via proxy");
    EXPECT_EQ("via proxy", HttpGetText(url));
    EXPECT_TRUE(proxy.relayed(url)) << proxy.logText().toStdString();
    ASSERT_EQ(1, server.requestsTo("/echo").size());

    // The server itself as a bypass entry (host and port, as the list is
    // compared literally) sends the request direct.
    ScopedEnv bypass("no_proxy", ("localhost," + server.hostPort()).toUtf8());
    const QString direct = server.echoUrl("direct");
    EXPECT_EQ("direct", HttpGetText(direct));
    EXPECT_FALSE(proxy.relayed(direct));
    EXPECT_EQ(2, server.requestsTo("/echo").size());
}

TEST_F(HttpGetTextTest, ProxySettingsThatLeadNowhere) {
    ASSERT_TRUE(server.started());
    // No port: no proxy at all, the request goes direct.
    {
        ScopedEnv garbage("http_proxy", "proxy-without-port");
        EXPECT_EQ("a", HttpGetText(server.echoUrl("a")));
    }
    {
        ScopedEnv garbage("http_proxy", "\x01\x02 :::: \xff");
        // Its first entry has no port: direct.
        EXPECT_EQ("b", HttpGetText(server.echoUrl("b")));
    }
    // A proxy that is not there fails the request, as it would the browser's.
    TestHttpServer stopped;
    const QString deadProxy = "http://" + stopped.hostPort();
    stopped.stop();
    ScopedEnv dead("http_proxy", deadProxy.toUtf8());
    EXPECT_EQ("", HttpGetText(server.echoUrl("c")));
}
