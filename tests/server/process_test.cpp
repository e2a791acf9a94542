// est-server as the operators start it: its options, its ready line, its log, its stop.
#include "TestSupport.h"

#include <QJsonArray>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <thread>

using namespace testsupport;

namespace {

TEST(EstServerProcess, StartsOnADemoDatabaseLogsEachRequestAndStopsOnSigterm) {
    ScratchDatabase database(Backend::Sqlite);
    ServerProcess server({"--database", database.url(), "--init", "--demo", "1", "--token", "t0k"});
    ASSERT_TRUE(server.waitReady()) << server.readAllStandardError().toStdString();
    RpcClient client(server.port(), "t0k");
    ASSERT_EQ(client.amostra("GetItemAmostra", {"0000000001", "3"}).status, 200);
    ASSERT_EQ(client.amostra("GetItemAmostra", {"0000000001"}).status, 400);

    // A stream of calls while the stop arrives: each one answered is whole.
    std::atomic<bool> stopSent{false};
    std::atomic<int> answered{0}, broken{0};
    std::thread caller([&] {
        RpcClient c(server.port(), "t0k");
        for (int i = 0; i < 100000; ++i) {
            const Answer a = c.amostra("GetAmostraProc", {"T", " ", " ", "T", " ", "T", " ", " "});
            if (a.status == 0) {
                if (stopSent)
                    return;
                continue;
            }
            if (a.status != 200 || a.result.toObject().value("data").toArray().isEmpty())
                ++broken;
            ++answered;
        }
    });
    while (answered < 5)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    stopSent = true;
    ::kill(static_cast<pid_t>(server.process().processId()), SIGTERM);
    ASSERT_TRUE(server.process().waitForFinished(30000));
    caller.join();
    EXPECT_EQ(server.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(server.process().exitCode(), 0);
    EXPECT_EQ(broken, 0);

    const QString log = server.readAllStandardError();
    EXPECT_TRUE(log.contains(
        QRegularExpression("Est25000\\.rdmAmostraProc GetItemAmostra 200 \\d+\\.\\d+ ms")))
        << log.left(2000).toStdString();
    EXPECT_TRUE(log.contains(
        QRegularExpression("Est25000\\.rdmAmostraProc GetItemAmostra 400 \\d+\\.\\d+ ms")));
    EXPECT_EQ(log.count("GetAmostraProc 200"), answered.load());
    EXPECT_TRUE(log.contains("stopping"));
}

TEST(EstServerProcess, RefusesADatabaseWithoutSchemaUnlessToldToCreateIt) {
    ScratchDatabase database(Backend::Postgres);
    {
        ServerProcess bare({"--database", database.url()});
        EXPECT_FALSE(bare.waitReady());
        EXPECT_NE(bare.process().exitCode(), 0);
        EXPECT_TRUE(bare.readAllStandardError().contains("--init"));
    }
    {
        ServerProcess init({"--database", database.url(), "--init", "--demo", "1"});
        ASSERT_TRUE(init.waitReady()) << init.readAllStandardError().toStdString();
    }
    const int samples = scalar(database.session(), "SELECT COUNT(*) FROM AMOSTRAPROC").toInt();
    EXPECT_GT(samples, 0);
    // Started again on the filled database: no schema work, no second demo fill.
    ServerProcess again({"--database", database.url(), "--demo", "1", "--listen", "127.0.0.1"});
    ASSERT_TRUE(again.waitReady()) << again.readAllStandardError().toStdString();
    EXPECT_EQ(scalar(database.session(), "SELECT COUNT(*) FROM AMOSTRAPROC").toInt(), samples);
    // No token given: none required.
    RpcClient client(again.port());
    EXPECT_EQ(client.amostra("GetItemAmostra", {"0000000001", "3"}).status, 200);
}

TEST(EstServerProcess, ListensOnTheGivenPortAndRejectsBadOptions) {
    ScratchDatabase database(Backend::Sqlite);
    int port = 0;
    {
        ServerProcess probe({"--database", database.url(), "--init"});
        ASSERT_TRUE(probe.waitReady());
        port = probe.port();
    }
    ServerProcess fixed({"--database", database.url(), "--port", QString::number(port)});
    ASSERT_TRUE(fixed.waitReady()) << fixed.readAllStandardError().toStdString();
    EXPECT_EQ(fixed.port(), port);
    // The same port twice: the second cannot listen.
    ServerProcess clash({"--database", database.url(), "--port", QString::number(port)});
    EXPECT_FALSE(clash.waitReady());
    EXPECT_NE(clash.process().exitCode(), 0);

    ServerProcess noDatabase({"--port", "0"});
    EXPECT_FALSE(noDatabase.waitReady());
    EXPECT_EQ(noDatabase.process().exitCode(), 2);
    ServerProcess badUrl({"--database", "mysql://x@y/z"});
    EXPECT_FALSE(badUrl.waitReady());
    EXPECT_TRUE(badUrl.readAllStandardError().contains("unsupported database URL"));
    ServerProcess badDemo({"--database", database.url(), "--demo", "muito"});
    EXPECT_FALSE(badDemo.waitReady());
    EXPECT_EQ(badDemo.process().exitCode(), 2);
}

} // namespace
