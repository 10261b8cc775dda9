// tavimo-test-httpd, run through TestHttpServer, answers as
// tests/support/httpd/Behaviours.h says, checked with a raw socket where
// bytes and closes matter and with curl where an HTTP client's view does.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QUrl>
#include <csignal>
#include <list>

#include "tests/servers/RawConnection.h"
#include "tests/support/LoopbackPorts.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestHttpServer.h"

namespace {

constexpr int kCurlPartialFile = 18;
constexpr int kCurlTimedOut = 28;
constexpr int kCurlEmptyReply = 52;
constexpr int kCurlReceiveError = 56;

// curl straight to the server, whatever proxy the environment names.
ProgramRun Curl(const QStringList& arguments) {
    return RunProgram(QStringLiteral("curl"),
                      QStringList{"-s", "--noproxy", "*", "--max-time", "60"} + arguments);
}

// The most memory the process has held, in KiB, from /proc.
qint64 PeakMemoryKiB(qint64 processId) {
    QFile status(QStringLiteral("/proc/%1/status").arg(processId));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

class TestHttpd : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.started()); }

    QByteArray get(const QByteArray& target) { return RawGet(server.port(), target); }

    TestHttpServer server;
    TempDir dir;
};

TEST_F(TestHttpd, BodiesByLengthByChunksAndByClose) {
    constexpr qint64 kSize = 100003;
    const QByteArray withLength = get("/bytes?size=100003");
    EXPECT_TRUE(HeadOf(withLength).startsWith("HTTP/1.1 200 OK\r\n"));
    EXPECT_TRUE(HeadOf(withLength).contains("\r\nContent-Length: 100003"));
    EXPECT_EQ(BodyOf(withLength), TestHttpServer::patternBytes(0, kSize));

    const QByteArray chunked = get("/chunked?size=100003&chunk=1000");
    EXPECT_TRUE(HeadOf(chunked).contains("\r\nTransfer-Encoding: chunked"));
    EXPECT_FALSE(HeadOf(chunked).contains("Content-Length"));
    EXPECT_TRUE(BodyOf(chunked).startsWith("3e8\r\n"));
    EXPECT_TRUE(BodyOf(chunked).endsWith("\r\n3\r\n" + TestHttpServer::patternBytes(100000, 3) +
                                         "\r\n0\r\n\r\n"));

    const QByteArray closeDelimited = get("/close?size=100003");
    EXPECT_FALSE(HeadOf(closeDelimited).contains("Content-Length"));
    EXPECT_FALSE(HeadOf(closeDelimited).contains("Transfer-Encoding"));
    EXPECT_EQ(BodyOf(closeDelimited), TestHttpServer::patternBytes(0, kSize));

    // An HTTP client reads the same bytes in all three forms.
    for (const QString path : {"/bytes", "/chunked", "/close"}) {
        const QString file = dir.path(path.mid(1));
        EXPECT_EQ(Curl({"-o", file, server.url(path + "?size=100003&chunk=777")}).exitCode, 0);
        EXPECT_TRUE(TestHttpServer::fileHoldsPattern(file, kSize)) << path.toStdString();
    }
}

TEST_F(TestHttpd, LargeBodiesStreamWithoutMemory) {
    constexpr qint64 kSize = 256LL << 20;
    const QString file = dir.path("large");
    EXPECT_EQ(Curl({"-o", file, server.url("/bytes?size=" + QString::number(kSize))}).exitCode, 0);
    EXPECT_TRUE(TestHttpServer::fileHoldsPattern(file, kSize));
    QFile::remove(file);
    EXPECT_EQ(Curl({"-o", file, server.url("/chunked?size=" + QString::number(kSize))}).exitCode,
              0);
    EXPECT_TRUE(TestHttpServer::fileHoldsPattern(file, kSize));
    const qint64 peakKiB = PeakMemoryKiB(server.processId());
    EXPECT_GT(peakKiB, 0);
    EXPECT_LT(peakKiB, 16 * 1024);
}

TEST_F(TestHttpd, StatusesRedirectsAndEchoedBodies) {
    for (const int status : {404, 410, 500}) {
        const QByteArray answer = get("/status/" + QByteArray::number(status));
        EXPECT_TRUE(HeadOf(answer).startsWith("HTTP/1.1 " + QByteArray::number(status) + ' '));
        EXPECT_TRUE(BodyOf(answer).startsWith(QByteArray::number(status)));
    }
    EXPECT_TRUE(get("/status/410").startsWith("HTTP/1.1 410 Gone\r\n"));
    EXPECT_EQ(BodyOf(get("/status/503?body=later")), "later");
    EXPECT_EQ(BodyOf(get("/status/204")), "");
    EXPECT_TRUE(HeadOf(get("/status/abc")).startsWith("HTTP/1.1 400 "));

    const QByteArray redirect = get("/redirect?to=http%3A%2F%2F127.0.0.1%3A1%2Fnew");
    EXPECT_TRUE(redirect.startsWith("HTTP/1.1 302 Found\r\n"));
    EXPECT_TRUE(HeadOf(redirect).contains("\r\nLocation: http://127.0.0.1:1/new\r\n"));
    EXPECT_TRUE(get("/redirect?code=301").contains("\r\nLocation: /bytes?size=16\r\n"));

    for (const QByteArray& body : {QByteArray("  http://127.0.0.1/song.mp3\r\n"),
                                   QByteArray(" \t\r\n \n"), QByteArray("a+b&c=d%")}) {
        const QByteArray answer = get("/echo?body=" + QUrl::toPercentEncoding(body));
        EXPECT_EQ(BodyOf(answer), body);
        EXPECT_TRUE(HeadOf(answer).contains("Content-Length: " + QByteArray::number(body.size())));
    }
    ProgramRun echoed = Curl({server.echoUrl("  two blanks first")});
    EXPECT_EQ(echoed.output, "  two blanks first");
}

TEST_F(TestHttpd, FlakyBreaksOffForTheFirstRequestsOfAnId) {
    const QString broken = server.url("/flaky?id=a&fail=2&size=1000&cut=100");
    const QString file = dir.path("flaky");
    EXPECT_EQ(Curl({"-o", file, broken}).exitCode, kCurlPartialFile);
    EXPECT_EQ(QFile(file).size(), 100);
    EXPECT_EQ(Curl({"-o", file, broken}).exitCode, kCurlPartialFile);
    EXPECT_EQ(Curl({"-o", file, broken}).exitCode, 0);
    EXPECT_TRUE(TestHttpServer::fileHoldsPattern(file, 1000));
    EXPECT_EQ(Curl({"-o", file, broken}).exitCode, 0);

    // Each id has its own count; the raw bytes show the announced length.
    const QByteArray other = get("/flaky?id=b&size=1000&cut=10");
    EXPECT_TRUE(HeadOf(other).contains("Content-Length: 1000"));
    EXPECT_EQ(BodyOf(other), TestHttpServer::patternBytes(0, 10));
    EXPECT_EQ(BodyOf(get("/flaky?id=b&size=1000&cut=10")).size(), 1000);

    EXPECT_EQ(Curl({"-o", file, server.url("/flaky?id=c&size=100000&cut=10&reset=1")}).exitCode,
              kCurlReceiveError);
    EXPECT_EQ(server.requestsTo("/flaky?id=a&").size(), 4);
}

TEST_F(TestHttpd, HangHoldsTheConnectionWithoutAnAnswer) {
    RawConnection connection(server.port());
    ASSERT_TRUE(connection.send("GET /hang HTTP/1.1\r\nHost: x\r\n\r\n"));
    EXPECT_TRUE(server.waitForRequests(1));
    EXPECT_EQ(connection.readSome(1000), "");
    EXPECT_FALSE(connection.closed());
    EXPECT_EQ(Curl({"--max-time", "1", server.url("/hang")}).exitCode, kCurlTimedOut);
}

TEST_F(TestHttpd, TrickleSendsItsPiecesApart) {
    RawConnection connection(server.port());
    ASSERT_TRUE(connection.send("GET /trickle?size=8&piece=2&every=200 HTTP/1.1\r\n\r\n"));
    QElapsedTimer elapsed;
    elapsed.start();
    QByteArray answer;
    int arrivals = 0;
    for (QByteArray some; !(some = connection.readSome(5000)).isEmpty(); ++arrivals) answer += some;
    // Four pieces with three pauses between them: it cannot be quicker than that.
    EXPECT_GE(elapsed.elapsed(), 3 * 200);
    EXPECT_GE(arrivals, 2);
    EXPECT_TRUE(HeadOf(answer).contains("Content-Length: 8"));
    EXPECT_EQ(BodyOf(answer), TestHttpServer::patternBytes(0, 8));
    EXPECT_FALSE(HeadOf(get("/trickle?size=2&every=1&length=0")).contains("Content-Length"));
}

TEST_F(TestHttpd, EndlessBodyRunsUntilTheClientLeaves) {
    {
        RawConnection connection(server.port());
        ASSERT_TRUE(connection.send("GET /endless?chunk=1000 HTTP/1.1\r\n\r\n"));
        QByteArray received;
        while (received.size() < (8 << 20) && !connection.closed())
            received += connection.readSome(5000);
        EXPECT_TRUE(HeadOf(received).contains("Transfer-Encoding: chunked"));
        EXPECT_TRUE(BodyOf(received).startsWith("3e8\r\n" + TestHttpServer::patternBytes(0, 1000) +
                                                "\r\n3e8\r\n" +
                                                TestHttpServer::patternBytes(1000, 1000)));
        EXPECT_FALSE(connection.closed());
    }
    EXPECT_EQ(Curl({"--max-time", "1", "-o", "/dev/null", server.url("/endless")}).exitCode,
              kCurlTimedOut);
    EXPECT_EQ(BodyOf(get("/bytes?size=5")), TestHttpServer::patternBytes(0, 5));
}

TEST_F(TestHttpd, MalformedRawAndDroppedAnswers) {
    EXPECT_TRUE(get("/malformed").startsWith("HTTP/1.1 two hundred OK\r\n"));
    EXPECT_NE(Curl({server.url("/malformed")}).exitCode, 0);
    EXPECT_EQ(get("/raw?data=HTTP/1.1%20200%20OK%0D%0A%0D%0Ahi"), "HTTP/1.1 200 OK\r\n\r\nhi");

    RawConnection dropped(server.port());
    dropped.send("GET /drop HTTP/1.1\r\n\r\n");
    EXPECT_EQ(dropped.readToEnd(), "");
    EXPECT_TRUE(dropped.closed());
    EXPECT_FALSE(dropped.reset());
    EXPECT_EQ(Curl({server.url("/drop")}).exitCode, kCurlEmptyReply);

    RawConnection reset(server.port());
    reset.send("GET /drop?reset=1 HTTP/1.1\r\n\r\n");
    EXPECT_EQ(reset.readToEnd(), "");
    EXPECT_TRUE(reset.reset());
}

TEST_F(TestHttpd, LogHoldsEveryRequestAsSent) {
    RawConnection absolute(server.port());
    const QByteArray target = "http://" + server.hostPort().toLatin1() + "/bytes?size=3";
    absolute.send("GET " + target + " HTTP/1.1\r\nHost: somewhere\r\nX-Probe:  yes \r\n\r\n");
    EXPECT_EQ(BodyOf(absolute.readToEnd()), TestHttpServer::patternBytes(0, 3));
    EXPECT_EQ(Curl({server.url("/nothing/here")}).output, "nothing at /nothing/here\n");

    const QList<LoggedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].requestLine, "GET " + target + " HTTP/1.1");
    EXPECT_EQ(requests[0].headers, QStringList({"Host: somewhere", "X-Probe:  yes "}));
    EXPECT_EQ(requests[0].target(), target);
    EXPECT_EQ(requests[0].path(), "/bytes?size=3");
    EXPECT_EQ(requests[0].header("x-probe"), "yes");
    EXPECT_TRUE(requests[0].header("Accept").isNull());
    EXPECT_EQ(requests[1].requestLine, "GET /nothing/here HTTP/1.1");
    EXPECT_EQ(requests[1].header("Host"), server.hostPort());
    EXPECT_EQ(server.logLines().mid(0, 4), QStringList({"GET " + target + " HTTP/1.1",
                                                        "Host: somewhere", "X-Probe:  yes ", ""}));
    EXPECT_EQ(server.requestsTo("/bytes").size(), 1);
}

TEST_F(TestHttpd, BadRequestsGetAnAnswerAndTheServerGoesOn) {
    for (const QByteArray& junk :
         {QByteArray("NONSENSE\r\n\r\n"), QByteArray("GET /bytes FTP/1.0\r\n\r\n"),
          QByteArray("GET  /bytes  HTTP/1.1\r\n\r\n"), QByteArray("\x01\xff\x80 \x7f\r\n\r\n", 10),
          "GET /" + QByteArray(100000, 'a') + " HTTP/1.1\r\n\r\n"}) {
        RawConnection connection(server.port());
        connection.send(junk);
        EXPECT_TRUE(connection.readToEnd().startsWith("HTTP/1.1 400 Bad Request\r\n"));
    }
    {
        RawConnection silent(server.port());
        RawConnection cutOff(server.port());
        cutOff.send("GET /bytes?size=1 HTTP/1.1\r\nHost:");
    }
    // Bare line feeds end lines too.
    RawConnection bareFeeds(server.port());
    bareFeeds.send("GET /bytes?size=4 HTTP/1.0\n\n");
    EXPECT_TRUE(bareFeeds.readToEnd().endsWith(TestHttpServer::patternBytes(0, 4)));
    EXPECT_EQ(BodyOf(get("/bytes?size=5")), TestHttpServer::patternBytes(0, 5));
}

TEST_F(TestHttpd, ServesManyConnectionsAtOnce) {
    constexpr int kHanging = 200;
    std::list<RawConnection> hanging;
    for (int i = 0; i < kHanging; ++i) {
        hanging.emplace_back(server.port());
        hanging.back().send("GET /hang HTTP/1.1\r\n\r\n");
    }
    EXPECT_TRUE(server.waitForRequests(kHanging));
    EXPECT_EQ(BodyOf(get("/bytes?size=5")), TestHttpServer::patternBytes(0, 5));
}

TEST(TestHttpServerLife, StopsByItsProcessIdAndLeavesTheLog) {
    TestHttpServer server;
    ASSERT_TRUE(server.started());
    const qint64 processId = server.processId();
    const int port = server.port();
    EXPECT_TRUE(AcceptsConnections(port));
    RawGet(port, "/bytes?size=1");
    server.stop();
    EXPECT_NE(::kill(static_cast<pid_t>(processId), 0), 0);
    EXPECT_FALSE(AcceptsConnections(port));
    EXPECT_EQ(server.requests().size(), 1);
}

}  // namespace
