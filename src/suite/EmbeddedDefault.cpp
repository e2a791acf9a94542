#include <suite/EmbeddedDefault.h>

#include <host/core/Configuration.h>
#include <host/core/Exceptions.h>
#include <host/database/DbGeral.h>
#include <host/remote/Netconnection.h>
#include <server/EmbeddedServer.h>
#include <server/SchemaVersion.h>

#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>

namespace suite {

Backend::Backend() = default;

Backend::~Backend() {
    Stop();
}

QString Backend::DefaultDatabasePath() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dir);
    return QDir(dir).filePath(QStringLiteral("est25000.sqlite"));
}

QString Backend::RandomToken() {
    QByteArray bytes(24, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(bytes.data()),
                                          bytes.size() / 4);
    return QString::fromLatin1(bytes.toHex());
}

void Backend::Start() {
    using host::Configuration;
    namespace cfg = host::cfg;
    databaseUrl_ = Configuration::Value(cfg::kDatabase);
    if (Configuration::Value(cfg::kServer).isEmpty()) {
        if (databaseUrl_.isEmpty())
            databaseUrl_ = QStringLiteral("sqlite:") + DefaultDatabasePath();
        {
            // The database the suite serves itself follows the suite's version (a separate
            // est-server refuses another version until told --migrate).
            server::Session session(server::DatabaseUrl::parse(databaseUrl_),
                                    QStringLiteral("suite-esquema"));
            server::migrateSchema(session);
        }
        server::ServerOptions options;
        options.databaseUrl = databaseUrl_;
        options.token = RandomToken();
        options.init = true;
        options.demoScale = 1;
        options.threads = 4;
        server_ = std::make_unique<server::EmbeddedServer>(options);
        const int port = server_->start();
        Configuration::Override(cfg::kServer, QStringLiteral("127.0.0.1:%1").arg(port));
        Configuration::Override(cfg::kToken, options.token);
    } else if (databaseUrl_.isEmpty()) {
        throw host::EHostError(
            QStringLiteral("Informe o banco de dados para as leituras diretas (--database)."));
    }
    TNetConnection::SetAccessToken(Configuration::Value(cfg::kToken));
    // The in-process server listens on loopback without TLS; a remote one may require it.
    TNetConnection::SetTlsCaFile(server_ ? QString() : Configuration::Value(cfg::kTlsCa));
    dtmDBGeral::Open(databaseUrl_);
    Configuration::AttachDatabase([]() -> std::optional<QSqlDatabase> {
        if (!dtmDBGeral::IsOpen())
            return std::nullopt;
        return dtmDBGeral::Database();
    });
}

void Backend::Stop() {
    host::Configuration::AttachDatabase(nullptr);
    if (dtmDBGeral::IsOpen())
        dtmDBGeral::Close();
    if (server_) {
        server_->stop();
        server_.reset();
    }
}

QString Backend::Describe() const {
    using host::Configuration;
    QString db = databaseUrl_;
    // Never show a password of the connection.
    db.replace(QRegularExpression(QStringLiteral("://([^:/@]+):[^@]*@")),
               QStringLiteral("://\\1:***@"));
    return QStringLiteral("Filial %1  ·  Servidor %2%3  ·  Banco %4")
        .arg(Configuration::Value(host::cfg::kBranch), Configuration::Value(host::cfg::kServer),
             Embedded() ? QStringLiteral(" (embutido)") : QString(), db);
}

} // namespace suite
