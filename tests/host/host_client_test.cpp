// The host's client side against a real server: TNetConnection, CheckResultServ, DbGeral.
#include "HostErrorText.h"
#include "PrivateCluster.h"
#include "TestSupport.h"

#include <host/core/Configuration.h>
#include <host/core/Exceptions.h>
#include <host/database/Adoibquery.h>
#include <host/database/DbGeral.h>
#include <host/library/Lib00210.h>
#include <host/remote/ChangeJournal.h>
#include <host/remote/CheckResultServ.h>
#include <host/remote/Netconnection.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <server/DemoData.h>
#include <server/Schema.h>

#include <gtest/gtest.h>
#include <httplib.h>

#include <thread>

using namespace testsupport;

namespace {

class HostClient : public ::testing::Test {
protected:
    void SetUp() override { TNetConnection::SetAccessToken(server_.token()); }
    void TearDown() override { TNetConnection::SetAccessToken(QString()); }

    // A connection as the screen sets it up: the address is read at each opening.
    std::unique_ptr<TNetConnection> connection(const QString& serverName, int* port,
                                               int* openings) {
        auto net = std::make_unique<TNetConnection>();
        net->ServerName = serverName;
        net->BeforeConnect = [net = net.get(), port, openings](QObject* sender) {
            EXPECT_EQ(sender, net);
            ++*openings;
            net->SetHost(QStringLiteral("127.0.0.1"));
            net->Port = *port;
        };
        return net;
    }

    TestServer server_{Backend::Sqlite};
};

TEST_F(HostClient, EveryOpeningRunsBeforeConnectAndUsesTheAddressOfThatMoment) {
    TestServer other(Backend::Sqlite);
    int port = server_.port();
    int openings = 0;
    auto net = connection(QStringLiteral("Est00000.rdmEstoque"), &port, &openings);
    EXPECT_FALSE(net->Connected());
    net->SetConnected(true);
    EXPECT_TRUE(net->Connected());
    EXPECT_EQ(openings, 1);
    EXPECT_EQ(net->Port, server_.port());
    const QJsonValue first = net->Call(QStringLiteral("GetParamEstoque"), {"0001", "E", "10"});
    EXPECT_EQ(first.toObject().value("rows").toArray().size(), 1);

    // The address changes while connected: the open connection keeps its server until it
    // is opened again.
    port = other.port();
    net->Call(QStringLiteral("GetParamEstoque"), {"0001", "E", "10"});
    EXPECT_EQ(openings, 1);
    net->SetConnected(false);
    EXPECT_FALSE(net->Connected());
    net->SetConnected(true);
    EXPECT_EQ(openings, 2);
    EXPECT_EQ(net->Port, other.port());
    net->Call(QStringLiteral("GetParamEstoque"), {"0001", "E", "10"});

    // A call on a closed connection opens it first.
    net->SetConnected(false);
    net->Call(QStringLiteral("GetParamEstoque"), {"0001", "E", "10"});
    EXPECT_EQ(openings, 3);
}

TEST_F(HostClient, AConnectionIdleLongerThanTheServerKeepsItGoesOnWorking) {
    int port = server_.port();
    int openings = 0;
    auto net = connection(QStringLiteral("Est00000.rdmEstoque"), &port, &openings);
    net->Call(QStringLiteral("GetParamEstoque"), {"0001", "E", "10"});
    std::this_thread::sleep_for(
        std::chrono::milliseconds(2500)); // the server drops idle connections after 2 s
    const QJsonValue again = net->Call(QStringLiteral("GetParamEstoque"), {"0001", "E", "10"});
    EXPECT_EQ(again.toObject().value("rows").toArray().size(), 1);
    EXPECT_EQ(openings, 1);
}

TEST_F(HostClient, FailuresRaiseWithTheServersMessage) {
    int port = server_.port();
    int openings = 0;
    auto net = connection(QStringLiteral("Est25000.rdmAmostraProc"), &port, &openings);
    EXPECT_EQ(messageOf([&] { net->Call(QStringLiteral("NaoExiste"), {}); }),
              QStringLiteral("Método desconhecido: Est25000.rdmAmostraProc.NaoExiste."));
    EXPECT_EQ(messageOf([&] { net->Call(QStringLiteral("GetItemAmostra"), {"1"}); }),
              QStringLiteral("GetItemAmostra espera 2 argumentos, recebeu 1."));
    // A business refusal (422) of the stock object.
    auto stock = connection(QStringLiteral("Est00000.rdmEstoque"), &port, &openings);
    EXPECT_EQ(messageOf([&] {
                  stock->Call(QStringLiteral("GetAlmoxarifadoPadrao"), {"0001", "nenhum"});
              }),
              QStringLiteral("Produto nenhum não cadastrado na filial 0001."));

    TNetConnection::SetAccessToken(QStringLiteral("errado"));
    EXPECT_EQ(messageOf([&] {
                  net->Call(QStringLiteral("GetItemAmostra"), {"1", "3"});
              }),
              QStringLiteral("Token de acesso ausente ou inválido."));
}

TEST_F(HostClient, AnUnreachableServerRaisesAReadableError) {
    int port = portOfAStoppedServer(server_.database().url());
    int openings = 0;
    auto net = connection(QStringLiteral("Est25000.rdmAmostraProc"), &port, &openings);
    const QString message = messageOf([&] {
        net->Call(QStringLiteral("GetItemAmostra"), {"1", "3"});
    });
    EXPECT_TRUE(message.startsWith(
        QStringLiteral("Não foi possível comunicar com o servidor de aplicação em 127.0.0.1:%1")
            .arg(port)))
        << message.toStdString();
}

TEST_F(HostClient, CheckResultServGivesThePacketOrRaisesTheMessages) {
    int port = server_.port();
    int openings = 0;
    auto net = connection(QStringLiteral("Est25000.rdmAmostraProc"), &port, &openings);
    const QJsonValue packet = Consiste::CheckResultServ(
        net->Call(QStringLiteral("GetAmostraProc"), {"T", " ", " ", "T", " ", "T", " ", " "}), true,
        0);
    EXPECT_GT(packet.toObject().value("rows").toArray().size(), 100);

    const QJsonObject refused{{"messages", QJsonArray{"Filial bloqueada.", "Tente amanhã."}},
                              {"data", QJsonArray{QJsonObject{}}}};
    EXPECT_EQ(messageOf([&] { Consiste::CheckResultServ(refused, true, 0); }),
              QStringLiteral("Filial bloqueada.\nTente amanhã."));
    EXPECT_EQ(Consiste::CheckResultServ(refused, false, 0), QJsonValue(QJsonObject{}));
    EXPECT_EQ(messageOf([&] { Consiste::CheckResultServ(QJsonValue("texto"), true, 0); }),
              QStringLiteral("Resposta do servidor de aplicação sem os dados esperados."));
    EXPECT_EQ(messageOf([&] {
                  Consiste::CheckResultServ(
                      QJsonObject{{"messages", QJsonArray()}, {"data", QJsonArray()}}, true, 0);
              }),
              QStringLiteral("Resposta do servidor de aplicação sem os dados esperados."));
}

TEST_F(HostClient, SharedDatabaseConnectionOpensBothUrlFormsAndReportsFailures) {
    dtmDBGeral::Open(server_.database().url());
    ASSERT_TRUE(dtmDBGeral::IsOpen());
    QSqlQuery query(dtmDBGeral::Database());
    ASSERT_TRUE(query.exec("SELECT VALOR FROM CONFIGURACAO WHERE CHAVE = 'PICTURE_PRODUTO'"));
    ASSERT_TRUE(query.next());
    EXPECT_EQ(query.value(0).toString(), "9.99.999");
    query.finish();
    query = QSqlQuery();
    dtmDBGeral::Close();
    EXPECT_FALSE(dtmDBGeral::IsOpen());
    EXPECT_FALSE(messageOf([] { dtmDBGeral::Database(); }).isEmpty());

    ScratchDatabase pg(Backend::Postgres);
    dtmDBGeral::Open(pg.url());
    EXPECT_TRUE(dtmDBGeral::IsOpen());
    dtmDBGeral::Close();
    EXPECT_TRUE(messageOf([] {
                    dtmDBGeral::Open("mysql://x@y/z");
                }).startsWith(QStringLiteral("Endereço de banco de dados inválido")));
    EXPECT_TRUE(messageOf([] {
                    dtmDBGeral::Open("postgresql://ninguem@127.0.0.1:1/nada");
                }).startsWith(QStringLiteral("Não foi possível abrir o banco de dados")));
    EXPECT_FALSE(dtmDBGeral::IsOpen());
}

// Whether the condition holds within a minute, handling events meanwhile.
bool eventually(const std::function<bool()>& condition) {
    const QDeadlineTimer deadline(60000);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

// The desktop's reads across a restart of the database server, a server still down, and a
// connection closed once idle; on a cluster of the test's own, restarted under it.
TEST(SharedDatabaseFailures, ARestartIsMendedADownServerIsToldAndAnIdleConnectionCloses) {
    PrivateCluster cluster;
    {
        server::Session admin(server::DatabaseUrl::parse(cluster.url()), QStringLiteral("admin"));
        admin.execDirect(QStringLiteral("CREATE DATABASE est"));
        server::Session est(server::DatabaseUrl::parse(cluster.url("est")), QStringLiteral("est"));
        server::createSchema(est);
        server::fillDemoData(est, 1);
    }
    const auto desktopConnections = [&] {
        server::Session watcher(server::DatabaseUrl::parse(cluster.url()),
                                QStringLiteral("watcher"));
        return scalar(watcher, QStringLiteral("SELECT COUNT(*) FROM pg_stat_activity "
                                              "WHERE application_name = 'est-suite'"))
            .toInt();
    };
    host::Configuration::Override(host::cfg::kDatabaseIdle, QStringLiteral("2"));
    dtmDBGeral::Open(cluster.url("est"));
    host::Configuration::AttachDatabase(
        []() -> std::optional<QSqlDatabase> { return dtmDBGeral::Database(); });
    const QDate processing = host::Configuration::ProcessingDate(QStringLiteral("0001"));
    TADOIBQuery query;
    query.SQL = QStringList{"SELECT CDFILIAL FROM FILIAL WHERE CDFILIAL = :F"};
    query.ParamByName("F")->SetAsString("0001");
    query.Open();
    ASSERT_FALSE(query.IsEmpty());
    EXPECT_EQ(desktopConnections(), 1);

    cluster.restart(); // the connection open before it is dead now
    query.Open();
    EXPECT_EQ(query.FieldByName("CDFILIAL")->asString(), "0001");
    cluster.restart();
    EXPECT_EQ(host::Configuration::ProcessingDate(QStringLiteral("0001")), processing);
    cluster.restart();
    EXPECT_EQ(messageOf([] { Lib00210::Validacao_Produto("0001", "999999", "N"); }),
              QStringLiteral("Produto 999999 não cadastrado."));
    EXPECT_EQ(desktopConnections(), 1);

    // Down: every read says so in Portuguese, without the driver's text, and none falls back
    // to another value.
    cluster.stop();
    const QString down = messageOf([&] { query.Open(); });
    EXPECT_TRUE(down.startsWith(QStringLiteral("Não foi possível abrir o banco de dados")))
        << down.toStdString();
    EXPECT_EQ(messageOf([] { host::Configuration::ProcessingDate(QStringLiteral("0001")); }), down);
    for (const char* english : {"server", "connection", "refused", "FATAL"})
        EXPECT_FALSE(down.contains(QLatin1String(english), Qt::CaseInsensitive)) << english;

    // Back: the next read works with the same suite.
    cluster.start();
    query.Open();
    EXPECT_EQ(query.FieldByName("CDFILIAL")->asString(), "0001");

    // Idle: the connection closes and the database server holds none of the desktop's.
    ASSERT_TRUE(eventually([] { return !dtmDBGeral::IsConnected(); }));
    EXPECT_TRUE(dtmDBGeral::IsOpen());
    EXPECT_TRUE(eventually([&] { return desktopConnections() == 0; }));
    query.Open();
    EXPECT_FALSE(query.IsEmpty());
    EXPECT_EQ(desktopConnections(), 1);

    host::Configuration::AttachDatabase(nullptr);
    host::Configuration::Reset();
    dtmDBGeral::Close();
}

} // namespace

namespace {

// The answer's result read back as a value, whatever its kind (array, object or scalar).
QJsonValue valueOfText(const QByteArray& text) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson("[" + text + "]", &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text.toStdString();
    return doc.array().at(0);
}

} // namespace

TEST_F(HostClient, CallTextAnswersTheResultTextAndRaisesAsCallDoes) {
    int port = server_.port();
    int openings = 0;
    auto net = connection(QStringLiteral("Est25000.rdmAmostraProc"), &port, &openings);
    const QJsonArray args{"1", "3"};
    const QByteArray text = net->CallText(QStringLiteral("GetItemAmostra"), args);
    ASSERT_FALSE(text.isEmpty());
    EXPECT_EQ(valueOfText(text), net->Call(QStringLiteral("GetItemAmostra"), args));
    auto stock = connection(QStringLiteral("Est00000.rdmEstoque"), &port, &openings);
    const QJsonArray param{"0001", "E", "10"};
    EXPECT_EQ(valueOfText(stock->CallText(QStringLiteral("GetParamEstoque"), param)),
              stock->Call(QStringLiteral("GetParamEstoque"), param));

    EXPECT_EQ(messageOf([&] { net->CallText(QStringLiteral("NaoExiste"), {}); }),
              QStringLiteral("Método desconhecido: Est25000.rdmAmostraProc.NaoExiste."));
    EXPECT_EQ(messageOf([&] {
                  stock->CallText(QStringLiteral("GetAlmoxarifadoPadrao"), {"0001", "nenhum"});
              }),
              QStringLiteral("Produto nenhum não cadastrado na filial 0001."));
}

TEST(HostClientAnswers, CallTextCutsTheValueOrRejectsAnAnswerWithoutResult) {
    // A stand-in server answering fixed bodies, to reach the shapes a real one never sends.
    httplib::Server fake;
    std::string body;
    fake.Post(R"(/rpc/.*)", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(body, "application/json");
    });
    const int port = fake.bind_to_any_port("127.0.0.1");
    // The socket already listens after the bind; calls wait in its backlog until then.
    std::thread listener([&] { fake.listen_after_bind(); });

    TNetConnection net;
    net.ServerName = QStringLiteral("Est25000.rdmAmostraProc");
    net.Port = port;
    body = " { \"result\" :\n [1, {\"a\": \"}\"}] } \n";
    EXPECT_EQ(net.CallText(QStringLiteral("M")), QByteArray("[1, {\"a\": \"}\"}]"));
    body = "{\"result\":\"texto\"}";
    EXPECT_EQ(net.CallText(QStringLiteral("M")), QByteArray("\"texto\""));
    const QString invalid =
        QStringLiteral("Resposta inválida do servidor de aplicação (Est25000.rdmAmostraProc.M).");
    for (const char* bad : {"", "[1]", "{\"error\":1}", "{\"result\":}", "{\"result\":[1]"}) {
        body = bad;
        EXPECT_EQ(messageOf([&] { net.CallText(QStringLiteral("M")); }), invalid) << bad;
        EXPECT_EQ(messageOf([&] { net.Call(QStringLiteral("M")); }), invalid) << bad;
    }
    net.SetConnected(false); // the server waits for its open connections on stopping
    fake.stop();
    listener.join();
}

// Two desktops of one user open at once keep a journal each; the journal a closed (or crashed)
// desktop left is the next one's to read.
TEST(ChangeJournalSlots, TwoOpenScreensNeverWriteOverEachOthersWork) {
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    QJsonObject typedInFirst{{"amostra", "primeira"}};
    QJsonObject typedInSecond{{"amostra", "segunda"}};
    auto first = std::make_unique<host::ChangeJournal>("tela", [&] { return typedInFirst; });
    host::ChangeJournal second("tela", [&] { return typedInSecond; });
    ASSERT_NE(first->Path(), second.Path());
    first->SetEnabled(true);
    second.SetEnabled(true);
    first->WriteNow();
    second.WriteNow();
    EXPECT_EQ(second.Read(), typedInSecond);
    first.reset(); // the desktop ends with its work pending
    host::ChangeJournal next("tela", [] { return QJsonObject(); });
    EXPECT_EQ(next.Read(), typedInFirst);
    EXPECT_NE(next.Path(), second.Path());

    // Held, the writes wait for the last hold; a flush goes through at once.
    int contents = 0;
    host::ChangeJournal held("retida", [&] {
        ++contents;
        return typedInFirst;
    });
    held.SetEnabled(true);
    {
        host::ChangeJournal::Hold outer(held);
        host::ChangeJournal::Hold inner(held);
        held.WriteNow();
        held.WriteSoon();
        EXPECT_FALSE(held.Read());
        held.Flush();
        EXPECT_EQ(held.Read(), typedInFirst);
        QFile::remove(held.Path());
        held.WriteNow();
    }
    EXPECT_EQ(held.Read(), typedInFirst) << "written when the last hold ended";
    EXPECT_EQ(contents, 2);

    // A removal runs beside the desktop's thread; what reads or writes the file next waits
    // for it, so it never takes a journal written after it.
    for (int i = 0; i < 20; ++i) {
        held.Discard();
        EXPECT_FALSE(held.Read()) << i;
        held.Discard();
        held.Flush();
        EXPECT_EQ(held.Read(), typedInFirst) << i;
    }
}
