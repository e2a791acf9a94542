// est-server as the operators start it: its options, its ready line, its log, its stop.
#include "TestSupport.h"

#include <server/SchemaVersion.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

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
    EXPECT_TRUE(log.contains("parando"));
}

TEST(EstServerProcess, RefusesADatabaseWithoutSchemaUnlessToldToCreateIt) {
    ScratchDatabase database(Backend::Postgres);
    {
        ServerProcess bare({"--database", database.url(), "--no-token"});
        EXPECT_FALSE(bare.waitReady());
        EXPECT_NE(bare.process().exitCode(), 0);
        EXPECT_TRUE(bare.readAllStandardError().contains("--init"));
    }
    {
        ServerProcess init({"--database", database.url(), "--init", "--demo", "1", "--no-token"});
        ASSERT_TRUE(init.waitReady()) << init.readAllStandardError().toStdString();
    }
    const int samples = scalar(database.session(), "SELECT COUNT(*) FROM AMOSTRAPROC").toInt();
    EXPECT_GT(samples, 0);
    // Started again on the filled database: no schema work, no second demo fill.
    ServerProcess again(
        {"--database", database.url(), "--demo", "1", "--listen", "127.0.0.1", "--no-token"});
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
        ServerProcess probe({"--database", database.url(), "--init", "--no-token"});
        ASSERT_TRUE(probe.waitReady());
        port = probe.port();
    }
    ServerProcess fixed(
        {"--database", database.url(), "--port", QString::number(port), "--no-token"});
    ASSERT_TRUE(fixed.waitReady()) << fixed.readAllStandardError().toStdString();
    EXPECT_EQ(fixed.port(), port);
    // The same port twice: the second cannot listen.
    ServerProcess clash(
        {"--database", database.url(), "--port", QString::number(port), "--no-token"});
    EXPECT_FALSE(clash.waitReady());
    EXPECT_NE(clash.process().exitCode(), 0);
    // What failed, in the operator's words, without the library's internals.
    const QString clashLog = clash.readAllStandardError();
    EXPECT_TRUE(clashLog.contains(
        QStringLiteral("não foi possível escutar no endereço 127.0.0.1, porta %1: a porta já "
                       "está em uso por outro programa")
            .arg(port)))
        << clashLog.toStdString();
    EXPECT_FALSE(clashLog.contains(".hpp")) << clashLog.toStdString();

    ServerProcess noDatabase({"--port", "0", "--no-token"});
    EXPECT_FALSE(noDatabase.waitReady());
    EXPECT_EQ(noDatabase.process().exitCode(), 2);
    ServerProcess badUrl({"--database", "mysql://x@y/z", "--no-token"});
    EXPECT_FALSE(badUrl.waitReady());
    EXPECT_TRUE(badUrl.readAllStandardError().contains("URL de banco não suportada"));
    ServerProcess badDemo({"--database", database.url(), "--demo", "muito", "--no-token"});
    EXPECT_FALSE(badDemo.waitReady());
    EXPECT_EQ(badDemo.process().exitCode(), 2);
}

} // namespace

namespace {

// SIGTERM while clients hold idle connections, send headers a byte at a time, and one request
// waits for the database: new connections are refused at once, the request under way is
// answered and stored, and the process ends without waiting for the slow clients.
TEST(EstServerProcess, StopsOnSigtermWhateverTheClientsDo) {
    ScratchDatabase database(Backend::Sqlite);
    QTemporaryDir dir;
    const QString tokenFile = dir.filePath("token");
    {
        QFile file(tokenFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("segredo-do-arquivo\n");
    }
    ServerProcess server(
        {"--database", database.url(), "--init", "--demo", "1", "--token-file", tokenFile});
    ASSERT_TRUE(server.waitReady()) << server.readAllStandardError().toStdString();
    RpcClient client(server.port(), "segredo-do-arquivo");
    ASSERT_EQ(client.call("Sistema.rdmServidor", "Ping", {}).status, 200);
    const SampleCase c = findSampleCase(database.session());

    std::vector<std::unique_ptr<RawConnection>> idle, slow;
    for (int i = 0; i < 50; ++i) {
        idle.push_back(std::make_unique<RawConnection>(server.port()));
        slow.push_back(std::make_unique<RawConnection>(server.port()));
        ASSERT_TRUE(slow.back()->send("POST /rpc/Sistema.rdmServidor/Ping HTTP/1.1\r\nHo"));
    }
    // The request under way: a confirmation waiting for the write lock the test holds.
    server::Session& lock = database.session();
    lock.execDirect("BEGIN IMMEDIATE");
    const QByteArray confirm = QJsonDocument(confirmArgs({{"DSAMOSTRA", "Durante a parada"},
                                                          {"CDPRODUTO", c.product},
                                                          {"QTPRODPROC", 2.0},
                                                          {"CDFILIAL", "0001"}},
                                                         {{c.item1, 2, "S"}}))
                                   .toJson(QJsonDocument::Compact);
    RawConnection underWay(server.port());
    ASSERT_TRUE(underWay.send(
        requestHead("/rpc/Est25000.rdmAmostraProc/ConfirmaAmostra",
                    "Authorization: Bearer segredo-do-arquivo\r\nContent-Type: application/json\r\n"
                    "Content-Length: " +
                        std::to_string(confirm.size()) + "\r\n") +
        confirm.toStdString()));
    // Nothing outside shows that the request reached a worker; a few hundred bytes on loopback
    // are read within a moment, and other calls meanwhile are still answered.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_EQ(client.call("Sistema.rdmServidor", "Ping", {}).status, 200);

    ::kill(static_cast<pid_t>(server.process().processId()), SIGTERM);
    bool refused = false;
    for (int i = 0; i < 200 && !refused; ++i) {
        refused = RawConnection(server.port()).failed();
        if (!refused)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(refused) << "new connections still accepted after SIGTERM";
    for (auto& s : slow)
        EXPECT_TRUE(s->closedByPeer(5000));
    lock.execDirect("COMMIT");
    const Answer stored = underWay.answer(30000);
    ASSERT_EQ(stored.status, 200) << stored.body;
    const QString number = stored.result.toArray().at(1).toString();
    ASSERT_TRUE(server.process().waitForFinished(15000));
    EXPECT_EQ(server.process().exitCode(), 0) << server.readAllStandardError().toStdString();
    EXPECT_EQ(scalar(database.session(), "SELECT DSAMOSTRA FROM AMOSTRAPROC WHERE NRAMOSTRA = :N",
                     {{"N", number}})
                  .toString(),
              "Durante a parada");
}

TEST(EstServerProcess, RequiresATokenUnlessToldOtherwiseOnLoopback) {
    ScratchDatabase database(Backend::Sqlite);
    {
        ServerProcess none({"--database", database.url(), "--init"});
        EXPECT_FALSE(none.waitReady());
        EXPECT_EQ(none.process().exitCode(), 2);
        EXPECT_TRUE(none.readAllStandardError().contains("token"));
    }
    {
        ServerProcess open(
            {"--database", database.url(), "--init", "--no-token", "--listen", "0.0.0.0"});
        EXPECT_FALSE(open.waitReady());
        EXPECT_EQ(open.process().exitCode(), 2);
    }
    // From the environment.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("EST_SERVER_TOKEN", "do-ambiente");
    ServerProcess fromEnvironment({"--database", database.url(), "--init"}, environment);
    ASSERT_TRUE(fromEnvironment.waitReady())
        << fromEnvironment.readAllStandardError().toStdString();
    EXPECT_EQ(RpcClient(fromEnvironment.port(), "do-ambiente")
                  .call("Sistema.rdmServidor", "Ping", {})
                  .status,
              200);
    EXPECT_EQ(
        RpcClient(fromEnvironment.port(), "outro").call("Sistema.rdmServidor", "Ping", {}).status,
        401);
    // Beyond the machine it warns, and says the token would cross the network in clear text.
    ServerProcess wide({"--database", database.url(), "--listen", "0.0.0.0"}, environment);
    ASSERT_TRUE(wide.waitReady()) << wide.readAllStandardError().toStdString();
    EXPECT_TRUE(wide.readAllStandardError().contains("aviso: escutando além da máquina local"))
        << wide.readAllStandardError().toStdString();
    // Help without a display, in Portuguese.
    ServerProcess help({"--help"});
    ASSERT_TRUE(help.process().waitForFinished(30000));
    EXPECT_EQ(help.process().exitCode(), 0);
    const QString text = QString::fromUtf8(help.process().readAllStandardOutput());
    EXPECT_TRUE(text.contains("--token-file")) << text.toStdString();
    EXPECT_TRUE(text.contains("Mostra esta ajuda")) << text.toStdString();
}

// Schema versions, backups and checks: est-server run as a command, to its end.
int finish(ServerProcess& command, QString* output = nullptr) {
    EXPECT_TRUE(command.process().waitForFinished(120000));
    if (output)
        *output = QString::fromUtf8(command.process().readAllStandardOutput()) +
                  command.readAllStandardError();
    return command.process().exitCode();
}

// A database as the first version of the server made it: its schema and settings, no data.
void loadFirstVersion(server::Session& session) {
    QFile file(QStringLiteral(EST_SERVER_TESTS_DIR "/esquema-v1.sql"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QString text = QString::fromUtf8(file.readAll());
    text.remove(QRegularExpression("--[^\n]*"));
    for (const QString& statement : text.split(';', Qt::SkipEmptyParts))
        if (!statement.trimmed().isEmpty())
            session.execDirect(session.dialect().ddl(statement));
}

QJsonArray newSample(const SampleCase& c, const QString& description) {
    return confirmArgs({{"DSAMOSTRA", description},
                        {"CDPRODUTO", c.product},
                        {"QTPRODPROC", 2.0},
                        {"CDFILIAL", "0001"}},
                       {{c.item1, 1, "S"}, {c.item2, 1, "N"}});
}

TEST(EstServerProcess, MigratesADatabaseOfTheFirstVersionBeforeServingIt) {
    for (const Backend backend : {Backend::Sqlite, Backend::Postgres}) {
        SCOPED_TRACE(backendName(backend));
        ScratchDatabase database(backend);
        loadFirstVersion(database.session());
        const QStringList on{"--database", database.url()};
        ServerProcess refused(on + QStringList{"--no-token"});
        EXPECT_FALSE(refused.waitReady());
        EXPECT_TRUE(refused.readAllStandardError().contains("est-server --migrate"))
            << refused.readAllStandardError().toStdString();
        QString output;
        ServerProcess migrate(on + QStringList{"--migrate"});
        ASSERT_EQ(finish(migrate, &output), 0) << output.toStdString();
        EXPECT_EQ(scalar(database.session(), "SELECT MAX(VERSAO) FROM VERSAOESQUEMA").toInt(),
                  server::kSchemaVersion);
        ServerProcess check(on + QStringList{"check"});
        EXPECT_EQ(finish(check, &output), 0) << output.toStdString();
        ServerProcess again(on + QStringList{"--migrate"});
        EXPECT_EQ(finish(again, &output), 0);
        EXPECT_TRUE(output.contains("já está na versão")) << output.toStdString();

        ServerProcess served(on + QStringList{"--demo", "1", "--no-token"});
        ASSERT_TRUE(served.waitReady()) << served.readAllStandardError().toStdString();
        const Answer stored =
            RpcClient(served.port())
                .amostra("ConfirmaAmostra",
                         newSample(findSampleCase(database.session()), "Migrada"));
        EXPECT_EQ(stored.status, 200) << stored.body;
    }
    // A database a later server moved on is neither served nor migrated back.
    ScratchDatabase later(Backend::Sqlite);
    server::migrateSchema(later.session());
    later.session().execDirect(QStringLiteral("INSERT INTO VERSAOESQUEMA VALUES (%1, '')")
                                   .arg(server::kSchemaVersion + 1));
    for (const char* command : {"--no-token", "--migrate"}) {
        ServerProcess refused({"--database", later.url(), command});
        QString output;
        EXPECT_NE(finish(refused, &output), 0);
        EXPECT_TRUE(output.contains("mais nova")) << output.toStdString();
    }
}

// A copy taken while confirmations go on holds every sample answered before it began, passes
// the check and, put in the database's place, is served.
TEST(EstServerProcess, BacksUpWhileConfirmationsRunAndTheCopyIsServedAgain) {
    ScratchDatabase database(Backend::Sqlite);
    ServerProcess server({"--database", database.url(), "--init", "--demo", "1", "--no-token"});
    ASSERT_TRUE(server.waitReady()) << server.readAllStandardError().toStdString();
    const SampleCase c = findSampleCase(database.session());
    std::mutex mutex;
    QStringList answered;
    std::atomic<bool> stop{false};
    std::vector<std::thread> writers;
    for (int w = 0; w < 2; ++w)
        writers.emplace_back([&, w] {
            RpcClient client(server.port());
            for (int i = 0; !stop; ++i) {
                const Answer a = client.amostra(
                    "ConfirmaAmostra", newSample(c, QStringLiteral("Carga %1 %2").arg(w).arg(i)));
                std::lock_guard lock(mutex);
                if (a.status == 200)
                    answered << a.result.toArray().at(1).toString();
            }
        });
    const auto count = [&] {
        std::lock_guard lock(mutex);
        return answered.size();
    };
    while (count() < 20)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const QStringList before = [&] {
        std::lock_guard lock(mutex);
        return answered;
    }();
    QTemporaryDir dir;
    const QString copy = dir.filePath("copia.sqlite");
    ServerProcess backup({"backup", "--database", database.url(), "--to", copy});
    QString output;
    EXPECT_EQ(finish(backup, &output), 0) << output.toStdString();
    // The writers go on after the copy: the server was never stopped.
    const qsizetype afterBackup = count();
    while (count() < afterBackup + 5)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    stop = true;
    for (auto& w : writers)
        w.join();

    const QString restored = QStringLiteral("sqlite:") + copy;
    ServerProcess check({"check", "--database", restored});
    EXPECT_EQ(finish(check, &output), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("íntegro")) << output.toStdString();
    {
        server::Session session(server::DatabaseUrl::parse(restored), "copia");
        for (const QString& number : before)
            EXPECT_EQ(scalar(session, "SELECT COUNT(*) FROM ITEMAMOSTRAPROC WHERE NRAMOSTRA = :N",
                             {{"N", number}})
                          .toInt(),
                      2)
                << number.toStdString();
    }
    ServerProcess again({"--database", restored, "--no-token"});
    ASSERT_TRUE(again.waitReady()) << again.readAllStandardError().toStdString();
    EXPECT_EQ(RpcClient(again.port()).amostra("ConfirmaAmostra", newSample(c, "Depois")).status,
              200);

    // What the check finds: a table gone, a row pointing nowhere.
    {
        server::Session session(server::DatabaseUrl::parse(restored), "estrago");
        session.execDirect("PRAGMA foreign_keys=OFF");
        session.execDirect("DROP TABLE CONFIRMACAO");
        session.execDirect("UPDATE ITEMAMOSTRAPROC SET NRAMOSTRA = 'X' WHERE NRAMOSTRA = '" +
                           before.first() + "'");
    }
    ServerProcess damaged({"check", "--database", restored});
    EXPECT_EQ(finish(damaged, &output), 1);
    EXPECT_TRUE(output.contains("falta a tabela CONFIRMACAO")) << output.toStdString();
    EXPECT_TRUE(output.contains("2 linha(s) com referência")) << output.toStdString();
}

// The administrator's commands on both databases: accounts added with the password on standard
// input (names case-insensitive), given a role, disabled, listed; a sample's history printed
// with the user who stored it; no password in the server's log.
TEST(EstServerProcess, AdministersAccountsAndPrintsTheHistoryOfASample) {
    for (const Backend backend : {Backend::Sqlite, Backend::Postgres}) {
        ScratchDatabase database(backend);
        ServerProcess server(
            {"--database", database.url(), "--init", "--demo", "1", "--token", "t"});
        ASSERT_TRUE(server.waitReady()) << server.readAllStandardError().toStdString();
        const auto admin = [&](QStringList args, const QByteArray& input = {}) {
            QProcess p;
            p.start(QStringLiteral(EST_SERVER_BINARY), args << "--database" << database.url());
            p.write(input);
            p.closeWriteChannel();
            p.waitForFinished(60000);
            return std::pair{p.exitCode(),
                             QString::fromUtf8(p.readAll() + p.readAllStandardError())};
        };
        EXPECT_EQ(admin({"users", "add", "Clara"}, "segredo-clara\n").first, 0);
        EXPECT_EQ(admin({"users", "add", "CLARA"}, "outro-segredo\n").first, 1);
        EXPECT_EQ(admin({"users", "add", "davi", "--role", "consulta"}, "curta\n").first, 1);
        EXPECT_EQ(admin({"users", "add", "davi", "--role", "consulta"}, "segredo-davi\n").first, 0);
        EXPECT_EQ(admin({"users", "role", "davi", "estoque"}).first, 0);
        EXPECT_EQ(admin({"users", "disable", "clara"}).first, 0);
        const QString list = admin({"users", "list"}).second;
        EXPECT_TRUE(list.contains(QRegularExpression("clara +estoque +desativado")))
            << list.toStdString();
        EXPECT_TRUE(list.contains(QRegularExpression("davi +estoque +ativo")))
            << list.toStdString();

        RpcClient client(server.port(), "t");
        const auto signIn = [&](const char* user, const char* password) {
            const QJsonObject body{{"usuario", user}, {"senha", password}};
            return client.raw("/auth/login", QJsonDocument(body).toJson().toStdString(), {}, false);
        };
        EXPECT_EQ(signIn("clara", "segredo-clara").status, 403);
        const Answer davi = signIn("Davi", "segredo-davi");
        ASSERT_EQ(davi.status, 200) << davi.body;
        RpcClient asDavi(server.port(),
                         QJsonDocument::fromJson(QByteArray::fromStdString(davi.body))
                             .object()["token"]
                             .toString());
        const SampleCase c = findSampleCase(database.session());
        const Answer stored =
            asDavi.amostra("ConfirmaAmostra", confirmArgs({{"DSAMOSTRA", "Do davi"},
                                                           {"CDPRODUTO", c.product},
                                                           {"QTPRODPROC", 2.0},
                                                           {"CDFILIAL", "0001"}},
                                                          {{c.item1, 2, "S"}}));
        ASSERT_EQ(stored.status, 200) << stored.body;
        const QString number = stored.result.toArray().at(1).toString();
        const QString history = admin({"history", "--sample", number}).second;
        EXPECT_TRUE(history.contains(QRegularExpression(
            "\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d  davi  Inclusão  DSAMOSTRA:  → Do davi")))
            << history.toStdString();
        EXPECT_FALSE(server.readAllStandardError().contains("segredo"));
    }
}

} // namespace
