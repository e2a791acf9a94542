#include <host/core/DatabaseRead.h>

#include <host/core/Exceptions.h>
#include <host/core/NamedParameters.h>

#include <QDebug>
#include <QSqlDriver>

namespace host {

namespace {

enum class Outcome { Done, Lost, Refused };

Outcome run(QSqlQuery& query, QSqlDatabase& database, const QString& sql,
            const QVariantHash& values, QSqlError& error) {
    query.setForwardOnly(true);
    bool ok = false;
    if (database.driverName() == QLatin1String("QPSQL")) {
        // Qt's driver sends a bound statement as PREPARE, EXECUTE and DEALLOCATE, three round
        // trips; written in by the driver, the values make it one simple query, which a pooler
        // that lends connections per transaction also passes (no statement kept between two).
        ok = query.exec(WithValuesWritten(sql, values, *database.driver()));
    } else {
        ok = query.prepare(sql);
        if (ok) {
            for (auto it = values.begin(); it != values.end(); ++it)
                query.bindValue(QLatin1Char(':') + it.key(), it.value());
            ok = query.exec();
        }
    }
    if (ok)
        return Outcome::Done;
    error = query.lastError();
    return ConnectionLost(database, error) ? Outcome::Lost : Outcome::Refused;
}

} // namespace

bool ConnectionLost(QSqlDatabase& database, const QSqlError& error) {
    if (error.type() == QSqlError::ConnectionError || !database.isOpen())
        return true;
    if (database.driverName() != QLatin1String("QPSQL"))
        return false;
    // Class 08 is a connection exception; 57P01-57P03 a server shutting down or starting.
    const QString state = error.nativeErrorCode();
    if (state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57P")))
        return true;
    // libpq gives no state when the socket itself failed: a statement that cannot fail tells.
    QSqlQuery probe(database);
    return !probe.exec(QStringLiteral("SELECT 1"));
}

QString DatabaseUnreachableText() {
    return QStringLiteral("O banco de dados não responde: a conexão foi perdida e não pôde ser "
                          "restabelecida. Tente de novo em instantes; se persistir, avise o "
                          "administrador do sistema.");
}

QSqlQuery ReadWithRetry(const std::function<QSqlDatabase()>& connection, const QString& sql,
                        const QVariantHash& values) {
    for (int attempt = 0;; ++attempt) {
        QSqlDatabase database = connection();
        QSqlQuery query(database);
        QSqlError error;
        switch (run(query, database, sql, values, error)) {
        case Outcome::Done:
            return query;
        case Outcome::Refused:
            qWarning().noquote() << "consulta recusada pelo banco de dados:" << error.text() << "|"
                                 << sql;
            throw EHostError(QStringLiteral("Erro na consulta ao banco de dados. O detalhe foi "
                                            "registrado no log do sistema."));
        case Outcome::Lost:
            qWarning().noquote() << "conexão com o banco de dados perdida:" << error.text();
            query = QSqlQuery();
            database.close(); // its owner opens a new one when asked again
            if (attempt > 0)
                throw EHostError(DatabaseUnreachableText());
        }
    }
}

} // namespace host
