// A server killed (SIGKILL) in the middle of a stream of confirmations: every sample it
// answered 200 for is stored with its items, and no sample lacks its items. Faults of the
// database: a connection cut during COMMIT, a restart, a frozen peer server or database, a
// SQLite file removed under the server, a full disk, a database that takes no writes.
#include "PrivateCluster.h"
#include "TestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <iostream>
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
    ServerProcess again({"--database", database.url(), "--demo", "1", "--no-token"});
    EXPECT_FALSE(again.waitReady());
    EXPECT_TRUE(again.readAllStandardError().contains("--init"));
    EXPECT_FALSE(QFile::exists(path));
}

// A small disk of the test's own (tmpfs), to be filled to the last byte. Mounting needs root:
// without it the tests that use one are skipped.
class SmallDisk {
public:
    explicit SmallDisk(int megabytes) {
        mounted_ =
            QProcess::execute(QStringLiteral("mount"),
                              {"-t", "tmpfs", "-o", QStringLiteral("size=%1m").arg(megabytes),
                               "tmpfs", dir_.path()}) == 0;
    }
    ~SmallDisk() {
        if (mounted_)
            QProcess::execute(QStringLiteral("umount"), {"-l", dir_.path()});
    }
    bool mounted() const { return mounted_; }
    QString path(const QString& name) const { return dir_.filePath(name); }
    // Writes a filler file until the disk refuses a byte more.
    void fill() {
        QFile filler(path(QStringLiteral("enchimento")));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, '\0');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        for (int size = 2048; size > 0; size /= 2)
            while (filler.write(QByteArray(size, '\0')) == size && filler.flush()) {
            }
    }
    void release() { QFile::remove(path(QStringLiteral("enchimento"))); }

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};

// Confirmations into a full disk: each is stored whole or answered 503 "disco_cheio" with
// nothing stored; repeated under the same key once there is room, each is stored once.
void confirmIntoAFullDisk(int port, server::Session& db, SmallDisk& disk, const SampleCase& c) {
    RpcClient client(port);
    const auto confirm = [&](const QString& description) {
        client.requestKey = QString(description).replace(' ', '_').toStdString();
        return client.amostra("ConfirmaAmostra",
                              confirmArgs({{"DSAMOSTRA", description},
                                           {"CDPRODUTO", c.product},
                                           {"QTPRODPROC", 2.0},
                                           {"CDFILIAL", "0001"}},
                                          {{c.item1, 1.0, "S"}, {c.item2, 1.0, "N"}}));
    };
    QStringList refused;
    int stored = 0;
    disk.fill();
    for (int i = 0; i < 200 && refused.size() < 3; ++i) {
        const QString description = QStringLiteral("Disco cheio %1").arg(i);
        const Answer a = confirm(description);
        if (a.status == 200) {
            ++stored;
            continue;
        }
        EXPECT_EQ(a.status, 503) << a.body;
        EXPECT_EQ(a.errorCode, "disco_cheio") << a.body;
        EXPECT_NE(a.body.find("Nada foi gravado"), std::string::npos) << a.body;
        refused << description;
    }
    ASSERT_FALSE(refused.isEmpty()) << "the disk never filled";
    for (const QString& description : refused)
        EXPECT_EQ(scalar(db, "SELECT COUNT(*) FROM AMOSTRAPROC WHERE DSAMOSTRA = :D",
                         {{"D", description}})
                      .toInt(),
                  0);
    disk.release();
    for (const QString& description : refused) {
        const Answer again = confirm(description);
        EXPECT_EQ(again.status, 200) << again.body;
    }
    EXPECT_EQ(
        scalar(db, "SELECT COUNT(*) FROM AMOSTRAPROC WHERE DSAMOSTRA LIKE 'Disco cheio %'").toInt(),
        stored + refused.size());
    EXPECT_EQ(scalar(db, "SELECT COUNT(*) FROM AMOSTRAPROC A WHERE NOT EXISTS"
                         " (SELECT 1 FROM ITEMAMOSTRAPROC I WHERE I.NRAMOSTRA = A.NRAMOSTRA)")
                  .toInt(),
              0);
}

TEST(DatabaseFault, SqliteOnAFullDiskAnswers503AndStoresNothing) {
    SmallDisk disk(16);
    if (!disk.mounted())
        GTEST_SKIP() << "sem permissão para montar um disco tmpfs";
    const QString url = QStringLiteral("sqlite://") + disk.path(QStringLiteral("est.sqlite"));
    ServerProcess server({"--database", url, "--init", "--demo", "1", "--no-token"});
    ASSERT_TRUE(server.waitReady()) << server.readAllStandardError().toStdString();
    server::Session db(server::DatabaseUrl::parse(url), "watch");
    confirmIntoAFullDisk(server.port(), db, disk, findSampleCase(db));
}

// SQLite on a disk mounted read-only: the server does not start, and says why.
TEST(DatabaseFault, SqliteOnAReadOnlyDiskIsRefusedWithItsReason) {
    SmallDisk disk(16);
    if (!disk.mounted())
        GTEST_SKIP() << "sem permissão para montar um disco tmpfs";
    const QString url = QStringLiteral("sqlite://") + disk.path(QStringLiteral("est.sqlite"));
    {
        ServerProcess server({"--database", url, "--init", "--demo", "1", "--no-token"});
        ASSERT_TRUE(server.waitReady()) << server.readAllStandardError().toStdString();
    }
    ASSERT_EQ(QProcess::execute(QStringLiteral("mount"), {"-o", "remount,ro", disk.path("")}), 0);
    ServerProcess server({"--database", url, "--no-token"});
    const bool ready = server.waitReady();
    const QString log = server.readAllStandardError();
    EXPECT_FALSE(ready);
    EXPECT_TRUE(log.contains("somente leitura")) << log.toStdString();
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

// The tables of the samples on a tablespace of a small disk, filled: PostgreSQL cannot extend
// them.
TEST_F(ClusterFault, AFullDiskIsAnswered503AndStoresNothing) {
    SmallDisk disk(16);
    if (!disk.mounted())
        GTEST_SKIP() << "sem permissão para montar um disco tmpfs";
    ASSERT_EQ(QProcess::execute(QStringLiteral("chown"), {"postgres", disk.path(".")}), 0);
    auto server = startServer();
    server::Session db(server::DatabaseUrl::parse(url_), "watch");
    db.execDirect(QStringLiteral("CREATE TABLESPACE pequeno LOCATION '%1'").arg(disk.path("")));
    for (const char* table : {"AMOSTRAPROC", "ITEMAMOSTRAPROC", "CONFIRMACAO", "AUDITORIA"})
        db.execDirect(QStringLiteral("ALTER TABLE %1 SET TABLESPACE pequeno").arg(table));
    confirmIntoAFullDisk(server->port(), db, disk, findSampleCase(db));
}

// A database that refuses writes (made read-only by its administrator): 503
// "banco_somente_leitura", nothing stored; the same confirmation goes through once it takes
// writes again.
TEST_F(ClusterFault, AReadOnlyDatabaseIsAnswered503AndStoresNothing) {
    auto server = startServer();
    server::Session db(server::DatabaseUrl::parse(url_), "watch");
    const QJsonArray args = sample(findSampleCase(db), "Banco somente leitura");
    RpcClient client(server->port());
    client.requestKey = "somente-leitura";
    cluster_.set("default_transaction_read_only", "on");
    const Answer refused = client.amostra("ConfirmaAmostra", args);
    EXPECT_EQ(refused.status, 503) << refused.body;
    EXPECT_EQ(refused.errorCode, "banco_somente_leitura");
    EXPECT_EQ(client.amostra("GetItemAmostra", {"0000000001", "3"}).status, 200)
        << "reading goes on";
    cluster_.set("default_transaction_read_only", "off");
    EXPECT_EQ(stored(db, "Banco somente leitura"), 0);
    EXPECT_EQ(client.amostra("ConfirmaAmostra", args).status, 200);
    EXPECT_EQ(stored(db, "Banco somente leitura"), 1);
}

INSTANTIATE_TEST_SUITE_P(Backends, Fault, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return backendName(info.param); });

} // namespace
