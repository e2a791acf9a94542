// A server killed (SIGKILL) in the middle of a stream of confirmations: every sample it
// answered 200 for is stored with its items, and no sample lacks its items.
#include "TestSupport.h"

#include <QJsonArray>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <mutex>
#include <thread>

using namespace testsupport;

namespace {

class Fault : public ::testing::TestWithParam<Backend> {};

TEST_P(Fault, KilledServerLosesNothingItAnsweredAndLeavesNoHalfSample) {
    ScratchDatabase database(GetParam());
    QStringList answered;
    std::mutex mutex;
    SampleCase c;
    {
        ServerProcess server({"--database", database.url(), "--init", "--demo", "1", "--no-token"});
        ASSERT_TRUE(server.waitReady()) << server.readAllStandardError().toStdString();
        c = findSampleCase(database.session());
        std::atomic<bool> killed{false};
        std::vector<std::thread> clients;
        for (int t = 0; t < 4; ++t)
            clients.emplace_back([&, t] {
                RpcClient client(server.port());
                for (int i = 0; !killed; ++i) {
                    const Answer a = client.amostra(
                        "ConfirmaAmostra",
                        confirmArgs({{"DSAMOSTRA", QStringLiteral("Fluxo %1/%2").arg(t).arg(i)},
                                     {"CDPRODUTO", c.product},
                                     {"QTPRODPROC", 2.5},
                                     {"CDFILIAL", "0001"}},
                                    {{c.item1, 1.25, "S"}, {c.item2, 1.25, "N"}}));
                    if (a.status == 200) {
                        std::lock_guard lock(mutex);
                        answered << a.result.toArray().at(1).toString();
                    } else if (a.status != 0) {
                        ADD_FAILURE() << a.body;
                        return;
                    }
                }
            });
        for (;;) {
            {
                std::lock_guard lock(mutex);
                if (answered.size() >= 40)
                    break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        ::kill(static_cast<pid_t>(server.process().processId()), SIGKILL);
        killed = true;
        server.process().waitForFinished(10000);
        for (auto& t : clients)
            t.join();
        EXPECT_EQ(server.process().exitStatus(), QProcess::CrashExit);
    }
    // A fresh server on the same database finds everything that was answered.
    ServerProcess again({"--database", database.url(), "--no-token"});
    ASSERT_TRUE(again.waitReady()) << again.readAllStandardError().toStdString();
    RpcClient client(again.port());
    std::lock_guard lock(mutex);
    for (const QString& number : answered) {
        const Answer items = client.amostra("GetItemAmostra", {number, "3"});
        ASSERT_EQ(items.status, 200);
        EXPECT_EQ(items.result.toObject().value("rows").toArray().size(), 2)
            << number.toStdString();
    }
    server::Session& db = database.session();
    EXPECT_EQ(scalar(db, "SELECT COUNT(*) FROM AMOSTRAPROC A WHERE NOT EXISTS"
                         " (SELECT 1 FROM ITEMAMOSTRAPROC I WHERE I.NRAMOSTRA = A.NRAMOSTRA)")
                  .toInt(),
              0);
    EXPECT_GE(scalar(db, "SELECT COUNT(*) FROM AMOSTRAPROC WHERE DSAMOSTRA LIKE 'Fluxo %'").toInt(),
              answered.size());
    // The numerator is past every stored sample, so numbering goes on without a clash.
    EXPECT_EQ(scalar(db, "SELECT NRULTIMO FROM NUMERADOR").toLongLong(),
              scalar(db, "SELECT MAX(NRAMOSTRA) FROM AMOSTRAPROC").toString().toLongLong());
}

INSTANTIATE_TEST_SUITE_P(Backends, Fault, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return backendName(info.param); });

} // namespace
