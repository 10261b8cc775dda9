// TestProxy runs a real tinyproxy that relays requests to the test HTTP
// server, and tells from its log which requests it relayed.
#include <gtest/gtest.h>

#include <csignal>

#include "tests/support/LoopbackPorts.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/TestProxy.h"

namespace {

ProgramRun Curl(const QStringList& arguments) {
    return RunProgram(QStringLiteral("curl"), QStringList{"-s", "--max-time", "30"} + arguments);
}

TEST(TestProxy, RelaysARequestToTheServerAndLogsIt) {
    TestHttpServer server;
    TestProxy proxy;
    ASSERT_TRUE(server.started());
    ASSERT_TRUE(proxy.started()) << proxy.logText().toStdString();
    TempDir dir;

    const QString viaProxy = server.url("/bytes?size=5000");
    EXPECT_EQ(Curl({"-x", proxy.url(), "-o", dir.path("got"), viaProxy}).exitCode, 0);
    EXPECT_TRUE(TestHttpServer::fileHoldsPattern(dir.path("got"), 5000));
    EXPECT_TRUE(proxy.relayed(viaProxy)) << proxy.logText().toStdString();
    EXPECT_EQ(proxy.requestedTargets(), QStringList{viaProxy});
    // The server sees the proxy's request in origin form.
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests()[0].target(), "/bytes?size=5000");

    const QString direct = server.url("/bytes?size=7");
    EXPECT_EQ(Curl({"--noproxy", "*", direct}).output.size(), 7);
    EXPECT_FALSE(proxy.relayed(direct));
    EXPECT_EQ(server.requestsTo("/bytes?size=7").size(), 1);
}

TEST(TestProxy, AnUnreachableTargetIsRequestedButNotRelayed) {
    TestProxy proxy;
    ASSERT_TRUE(proxy.started());
    const QString dead = QStringLiteral("http://127.0.0.1:%1/x").arg(FreeLoopbackPort());
    const ProgramRun run = Curl({"-x", proxy.url(), "-o", "/dev/null", "-w", "%{http_code}", dead});
    EXPECT_NE(run.output, "200");
    EXPECT_EQ(proxy.requestedTargets(), QStringList{dead});
    EXPECT_FALSE(proxy.relayed(dead));
}

TEST(TestProxy, StopsByItsProcessId) {
    TestProxy proxy;
    ASSERT_TRUE(proxy.started());
    EXPECT_TRUE(AcceptsConnections(proxy.port()));
    const qint64 processId = proxy.processId();
    proxy.stop();
    EXPECT_NE(::kill(static_cast<pid_t>(processId), 0), 0);
    EXPECT_FALSE(AcceptsConnections(proxy.port()));
}

}  // namespace
