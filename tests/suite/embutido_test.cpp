// The embedded default as the suite starts it: its own SQLite database with demo data and the
// server in-process on loopback, which answers only the suite's random token, so that another
// program or user of the machine cannot store or read samples through it.
#include <suite/EmbeddedDefault.h>

#include <host/core/Configuration.h>
#include <host/core/Exceptions.h>
#include <host/remote/Netconnection.h>
#include <server/Schema.h>
#include <server/SchemaVersion.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(Embutido, TheInProcessServerAnswersOnlyTheSuitesOwnToken) {
    QTemporaryDir pasta;
    ASSERT_TRUE(pasta.isValid());
    qputenv("XDG_DATA_HOME", pasta.filePath("data").toUtf8());
    host::Configuration::Override(host::cfg::kServer, QString());
    host::Configuration::Override(host::cfg::kDatabase, QString());
    suite::Backend backend;
    backend.Start();
    ASSERT_TRUE(backend.Embedded());
    const QString token = host::Configuration::Value(host::cfg::kToken);
    EXPECT_GE(token.size(), 32);
    EXPECT_NE(token, suite::Backend::RandomToken()) << "a new token each start";
    const QString servidor = host::Configuration::Value(host::cfg::kServer);
    ASSERT_TRUE(servidor.startsWith(QStringLiteral("127.0.0.1:"))) << servidor.toStdString();

    TNetConnection conexao;
    conexao.SetHost(QStringLiteral("127.0.0.1"));
    conexao.Port = servidor.section(QLatin1Char(':'), -1).toInt();
    for (const QString& outro : {QString(), QStringLiteral("adivinhado")}) {
        TNetConnection::SetAccessToken(outro);
        try {
            conexao.SetConnected(true);
            ADD_FAILURE() << "answered with the token '" << outro.toStdString() << "'";
        } catch (const host::EHostError& e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("recusou o acesso")))
                << e.message().toStdString();
        }
        conexao.SetConnected(false);
    }
    TNetConnection::SetAccessToken(token);
    EXPECT_NO_THROW(conexao.SetConnected(true));
    conexao.SetConnected(false);
    backend.Stop();
}

// Its own database follows the suite's version: one made before versions were recorded is
// migrated at start, where a separate est-server would refuse it.
TEST(Embutido, MigratesItsOwnDatabaseAtStart) {
    QTemporaryDir pasta;
    ASSERT_TRUE(pasta.isValid());
    const QString url = QStringLiteral("sqlite:") + pasta.filePath("antigo.sqlite");
    const server::DatabaseUrl banco = server::DatabaseUrl::parse(url);
    {
        // The tables as first released, without a recorded version.
        server::Session sessao(banco, QStringLiteral("antigo"));
        server::createFirstVersion(sessao);
    }
    host::Configuration::Override(host::cfg::kServer, QString());
    host::Configuration::Override(host::cfg::kDatabase, url);
    suite::Backend backend;
    backend.Start();
    backend.Stop();
    server::Session sessao(banco, QStringLiteral("migrado"));
    QSqlQuery& versao = sessao.run(QStringLiteral("SELECT MAX(VERSAO) FROM VERSAOESQUEMA"));
    ASSERT_TRUE(versao.next());
    EXPECT_EQ(versao.value(0).toInt(), server::kSchemaVersion);
    versao.finish();
}

} // namespace
