#include <host/database/DbGeral.h>

#include <host/core/Exceptions.h>

#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

namespace dtmDBGeral {
namespace {

const QString kConnection = QStringLiteral("dtmDBGeral");

} // namespace

void Open(const QString& url) {
    Close();
    QSqlDatabase db;
    if (url.startsWith(QLatin1String("sqlite:"))) {
        QString path = url.mid(7);
        if (path.startsWith(QLatin1String("//")))
            path = path.mid(2);
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    } else {
        const QUrl parsed(url, QUrl::StrictMode);
        if (!parsed.isValid() || !parsed.scheme().startsWith(QLatin1String("postgres")))
            throw host::EHostError(
                QStringLiteral("Endereço de banco de dados inválido: %1").arg(url));
        db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), kConnection);
        db.setHostName(parsed.host());
        db.setPort(parsed.port(5432));
        db.setUserName(parsed.userName());
        db.setPassword(parsed.password());
        db.setDatabaseName(parsed.path().mid(1));
        db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    }
    if (!db.open()) {
        const QString text = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(kConnection);
        throw host::EHostError(
            QStringLiteral("Não foi possível abrir o banco de dados: %1").arg(text));
    }
}

bool IsOpen() {
    return QSqlDatabase::contains(kConnection) &&
           QSqlDatabase::database(kConnection, false).isOpen();
}

QSqlDatabase Database() {
    if (!IsOpen())
        throw host::EHostError(QStringLiteral("O banco de dados não está aberto."));
    return QSqlDatabase::database(kConnection, false);
}

void Close() {
    if (!QSqlDatabase::contains(kConnection))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(kConnection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(kConnection);
}

} // namespace dtmDBGeral
