// A server killed (SIGKILL) in the middle of a stream of confirmations: every sample it
// answered 200 for is stored with its items, and no sample lacks its items. Faults of the
// database: a connection cut during COMMIT, a restart, a frozen peer server or database, a
// SQLite file removed under the server.
#include "PrivateCluster.h"
#include "TestSupport.h"

#include <QFile>
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

// SQLite: a database file removed under the server is never answered from (whatever is
// written to it is lost with it), and is not created again empty at the next start.
TEST(DatabaseFault, ARemovedSqliteFileIsAnswered503AndNotCreatedAgain) {
    ScratchDatabase database(Backend::Sqlite);
    const QString path = database.url().mid(7);
    ServerProcess server({"--database", database.url(), "--init", "--demo", "1", "--no-token"});
    ASSERT_TRUE(server.waitReady()) << server.readAllStandardError().toStdString();
    RpcClient client(server.port());
    ASSERT_EQ(client.amostra("GetItemAmostra", {"0000000001", "3"}).status, 200);
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(path + suffix);
    const Answer gone = client.amostra("GetItemAmostra", {"0000000001", "3"});
    EXPECT_EQ(gone.status, 503) << gone.body;
    EXPECT_EQ(gone.errorCode, "banco_indisponivel");
    // A connection open on the removed file, or a new one that finds no file.
    const QString log = server.readAllStandardError();
    EXPECT_TRUE(log.contains("foi removido ou substituído") || log.contains("não existe"))
        << log.toStdString();
    ServerProcess again({"--database", database.url(), "--no-token"});
    EXPECT_FALSE(again.waitReady());
    EXPECT_TRUE(again.readAllStandardError().contains("--init"));
    EXPECT_FALSE(QFile::exists(path));
}

// On a cluster of the test's own: est-server processes over one database with demo data, and
// the test's connection to watch and to hold locks.
class ClusterFault : public ::testing::Test {
protected:
    PrivateCluster cluster_;
    QString url_ = [this] {
        server::Session admin(server::DatabaseUrl::parse(cluster_.url()), "admin");
        admin.execDirect("CREATE DATABASE est");
        return cluster_.url("est");
    }();

    std::unique_ptr<ServerProcess> startServer() {
        auto server = std::make_unique<ServerProcess>(
            QStringList{"--database", url_, "--init", "--demo", "1", "--no-token"});
        EXPECT_TRUE(server->waitReady()) << server->readAllStandardError().toStdString();
        return server;
    }
    // The first server process of the database in that state; 0 when none came within 30 s.
    int waitForBackend(server::Session& db, const QString& condition) {
        for (int i = 0; i < 1500; ++i) {
            const QVariant pid = scalar(
                db, "SELECT pid FROM pg_stat_activity WHERE datname = 'est' AND " + condition);
            if (pid.isValid())
                return pid.toInt();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return 0;
    }
    static QJsonArray sample(const SampleCase& c, const QString& description) {
        return confirmArgs({{"DSAMOSTRA", description},
                            {"CDPRODUTO", c.product},
                            {"QTPRODPROC", 2.0},
                            {"CDFILIAL", "0001"}},
                           {{c.item1, 2, "S"}});
    }
    static int stored(server::Session& db, const QString& description) {
        return scalar(db, "SELECT COUNT(*) FROM AMOSTRAPROC WHERE DSAMOSTRA = :D",
                      {{"D", description}})
            .toInt();
    }
};

// The connection is cut while the COMMIT waits for a standby, after it committed here: the
// server finds the key on a fresh connection and answers the sample stored, once.
TEST_F(ClusterFault, ACommitCutOffIsAnsweredWithWhatItStoredAndNeverStoredTwice) {
    auto server = startServer();
    server::Session db(server::DatabaseUrl::parse(url_), "watch");
    const QJsonArray args = sample(findSampleCase(db), "Cortada no COMMIT");
    RpcClient client(server->port());
    client.requestKey = "commit-cortado";
    cluster_.set("synchronous_commit", "on");
    Answer first;
    std::thread confirming([&] { first = client.amostra("ConfirmaAmostra", args); });
    const int pid = waitForBackend(db, "wait_event = 'SyncRep'");
    EXPECT_NE(pid, 0);
    scalar(db, "SELECT pg_terminate_backend(:P)", {{"P", pid}});
    confirming.join();
    cluster_.set("synchronous_commit", "local");
    ASSERT_EQ(first.status, 200) << first.body;
    const QString number = first.result.toArray().at(1).toString();
    EXPECT_EQ(
        scalar(db, "SELECT NRAMOSTRA FROM CONFIRMACAO WHERE CHAVE = 'commit-cortado'").toString(),
        number);
    EXPECT_EQ(client.amostra("ConfirmaAmostra", args).result.toArray().at(1).toString(), number);
    EXPECT_EQ(stored(db, "Cortada no COMMIT"), 1);
    EXPECT_TRUE(server->readAllStandardError().contains("conexão perdida durante o COMMIT"));
}

// After a restart of the database every pooled connection is stale; each is replaced and
// its request run again, so no request fails.
TEST_F(ClusterFault, AfterARestartStaleConnectionsAreReplacedWithoutAFailedRequest) {
    auto server = startServer();
    const auto burst = [&] {
        std::atomic<int> failed{0};
        std::vector<std::thread> clients;
        for (int t = 0; t < 4; ++t)
            clients.emplace_back([&] {
                RpcClient client(server->port());
                for (int i = 0; i < 8; ++i)
                    if (client.amostra("GetItemAmostra", {"0000000001", "3"}).status != 200)
                        ++failed;
            });
        for (auto& t : clients)
            t.join();
        return failed.load();
    };
    EXPECT_EQ(burst(), 0);
    cluster_.restart();
    EXPECT_EQ(burst(), 0);
    EXPECT_TRUE(server->readAllStandardError().contains("repetida numa nova conexão"));
}

// A server frozen (SIGSTOP) inside a transaction that holds the sample counter: the database
// ends its idle session, and the other server's confirmation goes through.
TEST_F(ClusterFault, AFrozenPeerServerHoldsNoWriteOfTheOther) {
    auto frozen = startServer();
    auto healthy = startServer();
    server::Session db(server::DatabaseUrl::parse(url_), "watch");
    const SampleCase c = findSampleCase(db);
    server::Session locker(server::DatabaseUrl::parse(url_), "locker");
    locker.beginWrite();
    scalar(locker, "SELECT NRULTIMO FROM NUMERADOR FOR UPDATE");
    Answer held;
    std::thread holding([&] {
        held = RpcClient(frozen->port()).amostra("ConfirmaAmostra", sample(c, "Congelada"));
    });
    EXPECT_NE(waitForBackend(db, "wait_event_type = 'Lock'"), 0);
    const auto pid = static_cast<pid_t>(frozen->process().processId());
    ::kill(pid, SIGSTOP);
    locker.commit(); // the frozen server's transaction takes the counter, and idles
    EXPECT_NE(waitForBackend(db, "state = 'idle in transaction'"), 0);
    const Answer other =
        RpcClient(healthy->port()).amostra("ConfirmaAmostra", sample(c, "Do outro servidor"));
    EXPECT_EQ(other.status, 200) << other.body;
    ::kill(pid, SIGCONT);
    holding.join();
    EXPECT_EQ(held.status, 503) << held.body;
    EXPECT_EQ(stored(db, "Congelada"), 0);
    EXPECT_EQ(stored(db, "Do outro servidor"), 1);
}

// A frozen database: the request's deadline breaks its connection off and it is answered 503.
TEST_F(ClusterFault, AFrozenDatabaseIsAnswered503WithinTheRequestDeadline) {
    auto server = startServer();
    RpcClient client(server->port());
    ASSERT_EQ(client.amostra("GetItemAmostra", {"0000000001", "3"}).status, 200);
    cluster_.freeze(true);
    const Answer frozen = client.amostra("GetItemAmostra", {"0000000001", "3"});
    cluster_.freeze(false);
    EXPECT_EQ(frozen.status, 503) << frozen.body;
    EXPECT_EQ(frozen.errorCode, "banco_indisponivel");
}

INSTANTIATE_TEST_SUITE_P(Backends, Fault, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return backendName(info.param); });

} // namespace
