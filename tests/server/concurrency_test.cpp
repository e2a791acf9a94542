// Several clients at once, through two servers on one database: distinct numbers, no lost
// update, no invoice line taken beyond its quantity.
#include "TestSupport.h"

#include <QJsonArray>
#include <QSet>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <barrier>
#include <mutex>
#include <thread>

using namespace testsupport;

namespace {

QJsonArray rowsOf(const QJsonValue& packet) {
    return packet.toObject().value("rows").toArray();
}

class Concurrency : public ::testing::TestWithParam<Backend> {
protected:
    Concurrency() {
        server::ServerOptions options;
        options.databaseUrl = first_.database().url();
        second_ = std::make_unique<server::EmbeddedServer>(options);
        secondPort_ = second_->start();
    }
    server::Session& db() { return first_.database().session(); }
    int portFor(int client) const { return client % 2 == 0 ? first_.port() : secondPort_; }

    TestServer first_{GetParam(), 1, QString()};
    std::unique_ptr<server::EmbeddedServer> second_;
    int secondPort_ = 0;
    SampleCase case_ = findSampleCase(db());
};

TEST_P(Concurrency, NewSamplesConfirmedAtOnceGetDistinctConsecutiveNumbers) {
    constexpr int kClients = 8, kEach = 6;
    const qint64 last =
        scalar(db(), "SELECT MAX(NRAMOSTRA) FROM AMOSTRAPROC").toString().toLongLong();
    std::mutex mutex;
    QStringList numbers;
    QStringList failures;
    std::barrier start(kClients);
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c)
        clients.emplace_back([&, c] {
            RpcClient client(portFor(c));
            start.arrive_and_wait();
            for (int i = 0; i < kEach; ++i) {
                const Answer a = client.amostra(
                    "ConfirmaAmostra",
                    confirmArgs(
                        {{"DSAMOSTRA", QStringLiteral("Cliente %1 amostra %2").arg(c).arg(i)},
                         {"CDPRODUTO", case_.product},
                         {"QTPRODPROC", 3.0},
                         {"CDFILIAL", "0001"}},
                        {{case_.item1, 1, "S"}, {case_.item2, 2, "N"}}));
                std::lock_guard lock(mutex);
                if (a.status == 200 && rowsOf(a.result.toArray().at(0)).isEmpty())
                    numbers << a.result.toArray().at(1).toString();
                else
                    failures << QString::fromStdString(a.body);
            }
        });
    for (auto& t : clients)
        t.join();
    ASSERT_TRUE(failures.isEmpty()) << failures.join('\n').toStdString();
    ASSERT_EQ(numbers.size(), kClients * kEach);
    QSet<QString> distinct(numbers.begin(), numbers.end());
    EXPECT_EQ(distinct.size(), numbers.size());
    for (int n = 1; n <= kClients * kEach; ++n)
        EXPECT_TRUE(distinct.contains(QStringLiteral("%1").arg(last + n, 10, 10, QLatin1Char('0'))))
            << n;
    EXPECT_EQ(scalar(db(), "SELECT COUNT(*) FROM ITEMAMOSTRAPROC WHERE NRAMOSTRA > :N",
                     {{"N", QStringLiteral("%1").arg(last, 10, 10, QLatin1Char('0'))}})
                  .toInt(),
              2 * kClients * kEach);
}

TEST_P(Concurrency, TwoUsersChangingOneSampleOneGetsAConflictAndNothingOfItIsStored) {
    RpcClient setup(first_.port());
    const QString number =
        setup
            .amostra("ConfirmaAmostra", confirmArgs({{"DSAMOSTRA", "Original"},
                                                     {"CDPRODUTO", case_.product},
                                                     {"QTPRODPROC", 3.0},
                                                     {"CDFILIAL", "0001"}},
                                                    {{case_.item1, 3, "S"}}))
            .result.toArray()
            .at(1)
            .toString();
    ASSERT_FALSE(number.isEmpty());
    for (int round = 0; round < 10; ++round) {
        const QJsonArray row =
            rowsOf(setup.amostra("GetAmostraProc", {" ", number, number, "T", " ", "T", " ", " "})
                       .result.toObject()
                       .value("data")
                       .toArray()
                       .at(0))
                .at(0)
                .toArray();
        std::barrier start(2);
        int statuses[2] = {0, 0};
        std::vector<std::thread> users;
        for (int u = 0; u < 2; ++u)
            users.emplace_back([&, u] {
                RpcClient client(portFor(u));
                QJsonArray changed = row;
                changed[1] = QStringLiteral("Rodada %1 usuário %2").arg(round).arg(u);
                changed[4] = 3.0; // quantity unchanged
                const QJsonObject packet{
                    {"fields", sampleFieldDefs()},
                    {"changes",
                     QJsonArray{QJsonObject{{"type", "modify"}, {"old", row}, {"new", changed}}}}};
                start.arrive_and_wait();
                statuses[u] = client.amostra("ConfirmaAmostra", {QJsonValue(), packet}).status;
            });
        for (auto& t : users)
            t.join();
        const int winners = (statuses[0] == 200) + (statuses[1] == 200);
        const int conflicts = (statuses[0] == 409) + (statuses[1] == 409);
        ASSERT_EQ(winners, 1) << statuses[0] << " " << statuses[1];
        ASSERT_EQ(conflicts, 1);
        const int winner = statuses[0] == 200 ? 0 : 1;
        EXPECT_EQ(
            scalar(db(), "SELECT DSAMOSTRA FROM AMOSTRAPROC WHERE NRAMOSTRA = :N", {{"N", number}})
                .toString(),
            QStringLiteral("Rodada %1 usuário %2").arg(round).arg(winner));
    }
}

TEST_P(Concurrency, ClientsTakingFromOneInvoiceLineNeverExceedIt) {
    // A line with room left and a usable output product of its unit in its branch.
    QSqlQuery& q = db().run(
        "SELECT N.CDFILIAL, N.NRLANCTONF, N.CDFORNECED, N.CDSERIEENTR, N.NRNOTAFISC, I.CDPRODUTO, "
        "I.QTITEMNF,"
        " (SELECT COALESCE(SUM(A.QTPRODPROC), 0) FROM AMOSTRAPROC A WHERE A.CDFILIAL = I.CDFILIAL"
        "  AND A.NRLANCTONF = I.NRLANCTONF AND A.CDPRODUTO = I.CDPRODUTO),"
        " (SELECT MIN(O.CDPRODUTO) FROM PRODUTO O JOIN PRODFILIAL F ON F.CDPRODUTO = O.CDPRODUTO"
        "  WHERE F.CDFILIAL = I.CDFILIAL AND F.IDATIVO = 'S' AND F.IDCONTROLAESTOQUE = 'S'"
        "  AND O.SGUNIDADE = P.SGUNIDADE AND O.CDPRODUTO <> P.CDPRODUTO)"
        " FROM ITEMNOTAFISCENTR I JOIN NOTAFISCENTR N ON N.CDFILIAL = I.CDFILIAL AND N.NRLANCTONF "
        "= I.NRLANCTONF"
        " JOIN PRODUTO P ON P.CDPRODUTO = I.CDPRODUTO ORDER BY I.NRLANCTONF, I.CDPRODUTO");
    ASSERT_TRUE(q.next());
    const QString branch = q.value(0).toString(), launch = q.value(1).toString(),
                  supplier = q.value(2).toString(), series = q.value(3).toString(),
                  invoice = q.value(4).toString(), product = q.value(5).toString(),
                  output = q.value(8).toString();
    const double quantity = q.value(6).toDouble(), taken = q.value(7).toDouble();
    q.finish();
    ASSERT_FALSE(output.isEmpty());
    // Eight clients each ask for a quarter of what is left: at most four can have it.
    const double share = std::floor((quantity - taken) / 4 * 1000) / 1000;
    constexpr int kClients = 8;
    std::barrier start(kClients);
    std::atomic<int> stored{0}, refused{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c)
        clients.emplace_back([&, c] {
            RpcClient client(portFor(c));
            const QJsonArray args = confirmArgs({{"DSAMOSTRA", "Disputa da nota"},
                                                 {"CDPRODUTO", product},
                                                 {"QTPRODPROC", share},
                                                 {"CDFILIAL", branch},
                                                 {"NRLANCTONF", launch},
                                                 {"CDSERIEENTR", series},
                                                 {"NRNOTAFISC", invoice},
                                                 {"CDFORNECED", supplier}},
                                                {{output, share, "S"}});
            start.arrive_and_wait();
            const Answer a = client.amostra("ConfirmaAmostra", args);
            if (a.status == 200)
                ++stored;
            else if (a.status == 422)
                ++refused;
        });
    for (auto& t : clients)
        t.join();
    EXPECT_EQ(stored, 4);
    EXPECT_EQ(refused, kClients - 4);
    EXPECT_LE(
        scalar(db(),
               "SELECT SUM(QTPRODPROC) FROM AMOSTRAPROC WHERE CDFILIAL = :B AND NRLANCTONF = :L"
               " AND CDPRODUTO = :P",
               {{"B", branch}, {"L", launch}, {"P", product}})
            .toDouble(),
        quantity + 0.0005);
}

// A write that waits too long for another writer's lock is answered 503 and stores nothing;
// the same request goes through once the lock is gone. Without the bound a PostgreSQL write
// waited for ever, and the desktop gave up on a confirmation that was stored later.
TEST_P(Concurrency, AWriteBlockedByAnotherLockIsAnsweredBusyAndStoresNothing) {
    TestServer server(GetParam(), 1, QStringLiteral("segredo"),
                      [](server::ServerOptions& o) { o.lockWaitMs = 300; });
    server::Session& base = server.database().session();
    const SampleCase sample = findSampleCase(base);
    const int before = scalar(base, "SELECT COUNT(*) FROM AMOSTRAPROC").toInt();
    const QJsonArray args = confirmArgs({{"DSAMOSTRA", "Enquanto outro grava"},
                                         {"CDPRODUTO", sample.product},
                                         {"QTPRODPROC", 3.0},
                                         {"CDFILIAL", "0001"}},
                                        {{sample.item1, 3, "S"}});
    server::Session other(server::DatabaseUrl::parse(server.database().url()),
                          QStringLiteral("outro-gravador"));
    if (GetParam() == Backend::Sqlite) {
        other.execDirect(QStringLiteral("BEGIN IMMEDIATE"));
    } else {
        other.execDirect(QStringLiteral("BEGIN"));
        other.execDirect(QStringLiteral("LOCK TABLE AMOSTRAPROC IN EXCLUSIVE MODE"));
    }
    RpcClient client = server.client();
    const Answer busy = client.amostra("ConfirmaAmostra", args);
    EXPECT_EQ(busy.status, 503) << busy.body;
    EXPECT_EQ(busy.errorCode, "busy");
    EXPECT_TRUE(busy.message.contains(QStringLiteral("Nada foi gravado"))) << busy.body;
    other.rollback();
    EXPECT_EQ(scalar(base, "SELECT COUNT(*) FROM AMOSTRAPROC").toInt(), before);

    const Answer stored = client.amostra("ConfirmaAmostra", args);
    ASSERT_EQ(stored.status, 200) << stored.body;
    EXPECT_EQ(scalar(base, "SELECT COUNT(*) FROM AMOSTRAPROC").toInt(), before + 1);
}

INSTANTIATE_TEST_SUITE_P(Backends, Concurrency,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return backendName(info.param); });

} // namespace
