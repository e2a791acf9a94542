#include <server/SchemaVersion.h>

#include <server/SampleChanges.h>
#include <server/Schema.h>

#include <QDateTime>

#include <iterator>
#include <stdexcept>

namespace server {
namespace {

struct SchemaStep {
    int version; // the version the step reaches, from the one before it
    void (*apply)(Session&);
};

// Step N moves a database from version N-1 to N, inside the transaction of migrateSchema.
// A new step is one more line, e.g. a column:
//   {2, [](Session& s) { s.execDirect("ALTER TABLE X ADD COLUMN Y VARCHAR(10)"); }},
// (column types through s.dialect().ddl("... ${DOUBLE} ...") when they differ by database).
// Version 2: the accounts that sign in, and the history of the samples (docs/accounts.md).
// USUARIO: the name in lower case (names are case-insensitive), the password only as an
// Argon2id hash, the role (consulta or estoque), whether it is active. AUDITORIA: one row per
// field inserted, changed or deleted, written in the transaction that stores the change;
// CDPRODUTO names the item, NMCAMPO is null for a whole sample or item deleted.
void createAccountsAndHistory(Session& session) {
    const char* const statements[] = {
        R"(CREATE TABLE USUARIO (
    NMUSUARIO VARCHAR(40) NOT NULL PRIMARY KEY,
    DSSENHA VARCHAR(128) NOT NULL,
    IDPAPEL VARCHAR(10) NOT NULL,
    IDATIVO VARCHAR(1) NOT NULL))",
        R"(CREATE TABLE AUDITORIA (
    NRSEQUENCIA ${SERIALKEY},
    DTMOMENTO VARCHAR(19) NOT NULL,
    NMUSUARIO VARCHAR(40) NOT NULL,
    IDOPERACAO VARCHAR(1) NOT NULL,
    NRAMOSTRA VARCHAR(10) NOT NULL,
    CDPRODUTO VARCHAR(10),
    NMCAMPO VARCHAR(30),
    DSANTERIOR VARCHAR(60),
    DSNOVO VARCHAR(60)))",
        "CREATE INDEX IX_AUDITORIA_AMOSTRA ON AUDITORIA (NRAMOSTRA)",
    };
    for (const char* statement : statements)
        session.execDirect(session.dialect().ddl(QString::fromUtf8(statement)));
}

const SchemaStep kSchemaSteps[] = {
    {1, createFirstVersion},
    {2, createAccountsAndHistory},
    // The SHA-256 (hex) of a confirmation's request, stored with its key, so that the key sent
    // with another sample is refused; rows from before stay without one.
    {3,
     [](Session& s) {
         s.execDirect(QStringLiteral("ALTER TABLE CONFIRMACAO ADD COLUMN CDRESUMO VARCHAR(64)"));
     }},
    // The samples' change log, its triggers and its horizon (SampleChanges.h).
    {4, createSampleChangeLog},
};
static_assert(std::size(kSchemaSteps) == kSchemaVersion, "one step for each version");

const char* const kVersionTable = R"(CREATE TABLE VERSAOESQUEMA (
    VERSAO INTEGER NOT NULL PRIMARY KEY,
    DTAPLICACAO VARCHAR(30) NOT NULL))";

bool versionRecorded(Session& session) {
    return tableExists(session, QStringLiteral("VERSAOESQUEMA"));
}

void recordVersion(Session& session, int version) {
    session.run(QStringLiteral("INSERT INTO VERSAOESQUEMA (VERSAO, DTAPLICACAO) VALUES (:V, :D)"),
                {{QStringLiteral("V"), version},
                 {QStringLiteral("D"), QDateTime::currentDateTimeUtc().toString(Qt::ISODate)}});
}

std::runtime_error newerThanThisServer(int found) {
    return std::runtime_error(QStringLiteral("o banco está na versão %1 do esquema, mais nova que "
                                             "a versão %2 deste servidor: instale a versão do "
                                             "est-server que o atualizou")
                                  .arg(found)
                                  .arg(kSchemaVersion)
                                  .toStdString());
}

} // namespace

int schemaVersion(Session& session) {
    if (!versionRecorded(session))
        return schemaExists(session) ? 1 : 0;
    QSqlQuery& query = session.run(QStringLiteral("SELECT MAX(VERSAO) FROM VERSAOESQUEMA"));
    const int version = query.next() ? query.value(0).toInt() : 0;
    query.finish();
    return version;
}

int migrateSchema(Session& session) {
    Transaction transaction(session);
    const int found = schemaVersion(session);
    if (found > kSchemaVersion)
        throw newerThanThisServer(found);
    int version = found;
    if (!versionRecorded(session)) {
        session.execDirect(QString::fromUtf8(kVersionTable));
        if (found == 1) {
            addMissingTables(session); // made before the version was recorded
            recordVersion(session, 1);
        }
    }
    for (const SchemaStep& step : kSchemaSteps)
        if (step.version > version) {
            step.apply(session);
            recordVersion(session, step.version);
            version = step.version;
        }
    transaction.commit();
    return found;
}

void requireCurrentSchema(Session& session, const QString& databaseUrl) {
    const bool recorded = versionRecorded(session);
    const int found = schemaVersion(session);
    if (found > kSchemaVersion)
        throw newerThanThisServer(found);
    if (recorded && found == kSchemaVersion)
        return;
    const QString state = recorded
                              ? QStringLiteral("está na versão %1 do esquema").arg(found)
                              : QStringLiteral("foi criado antes do registro da versão do esquema");
    throw std::runtime_error(QStringLiteral("o banco %1 %2 e este servidor usa a versão %3: "
                                            "faça uma cópia do banco (est-server backup --to "
                                            "ARQUIVO) e rode est-server --migrate com o mesmo "
                                            "--database ou --config")
                                 .arg(databaseUrl, state)
                                 .arg(kSchemaVersion)
                                 .toStdString());
}

} // namespace server
