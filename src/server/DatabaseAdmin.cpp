#include <server/DatabaseAdmin.h>

#include <server/Schema.h>
#include <server/SchemaVersion.h>

#include <QFile>
#include <QSqlRecord>

#include <sqlite3.h>

#include <memory>
#include <stdexcept>

namespace server {
namespace {

using SqliteHandle = std::unique_ptr<sqlite3, decltype(&sqlite3_close)>;

SqliteHandle openSqlite(const QString& path, int flags) {
    sqlite3* handle = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &handle, flags, nullptr);
    SqliteHandle owned(handle, &sqlite3_close);
    if (rc != SQLITE_OK)
        throw std::runtime_error(QStringLiteral("não foi possível abrir %1: %2")
                                     .arg(path, QString::fromUtf8(sqlite3_errstr(rc)))
                                     .toStdString());
    return owned;
}

// Each query's rows, first column, as text.
QStringList column(Session& session, const QString& sql) {
    QSqlQuery query(session.db());
    if (!query.exec(sql))
        throw DbError(query.lastError().text().toStdString());
    QStringList values;
    while (query.next())
        values << query.value(0).toString();
    return values;
}

// The tables and columns a database of this version holds, read from one made in memory.
QHash<QString, QStringList> currentSchema() {
    DatabaseUrl memory;
    memory.path = QStringLiteral(":memory:");
    Session reference(memory, QStringLiteral("est-server-check-reference"));
    createSchema(reference);
    QHash<QString, QStringList> tables;
    for (const QString& table : reference.db().tables()) {
        if (table.startsWith(QLatin1String("sqlite_")))
            continue; // SQLite's own bookkeeping, not the schema's
        const QSqlRecord record = reference.db().record(table);
        for (int i = 0; i < record.count(); ++i)
            tables[table.toUpper()] << record.fieldName(i).toUpper();
    }
    return tables;
}

} // namespace

QString migrateDatabase(const DatabaseUrl& url) {
    Session session(url, QStringLiteral("est-server-migrate"));
    if (schemaVersion(session) == 0)
        throw std::runtime_error("o banco " + url.display().toStdString() +
                                 " não tem o esquema; crie-o com --init");
    const bool recorded = tableExists(session, QStringLiteral("VERSAOESQUEMA"));
    const int found = migrateSchema(session);
    if (found != kSchemaVersion)
        return QStringLiteral("o banco %1 passou da versão %2 para a versão %3 do esquema")
            .arg(url.display())
            .arg(found)
            .arg(kSchemaVersion);
    const QString text = recorded ? QStringLiteral("o banco %1 já está na versão %2 do esquema")
                                  : QStringLiteral("o banco %1 passou a registrar a versão %2 "
                                                   "do esquema");
    return text.arg(url.display()).arg(kSchemaVersion);
}

void backupDatabase(const DatabaseUrl& url, const QString& target) {
    if (url.kind != DbKind::Sqlite)
        throw std::runtime_error("a cópia com backup é só para SQLite; para PostgreSQL use "
                                 "pg_dump (docs/install.md)");
    if (!QFile::exists(url.path))
        throw std::runtime_error("o banco " + url.path.toStdString() + " não existe");
    const QString partial = target + QStringLiteral(".parcial");
    QFile::remove(partial);
    {
        SqliteHandle source = openSqlite(url.path, SQLITE_OPEN_READWRITE);
        SqliteHandle copy = openSqlite(partial, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        // Waits for the server's writers the way the server's own connections do.
        sqlite3_busy_timeout(source.get(), 30000);
        sqlite3_backup* backup = sqlite3_backup_init(copy.get(), "main", source.get(), "main");
        if (!backup)
            throw std::runtime_error(std::string("falha ao iniciar a cópia: ") +
                                     sqlite3_errmsg(copy.get()));
        // All pages in one step: one read transaction, so one consistent state, while the
        // server's writers go on in the write-ahead log.
        const int step = sqlite3_backup_step(backup, -1);
        const int finish = sqlite3_backup_finish(backup);
        if (step != SQLITE_DONE || finish != SQLITE_OK) {
            QFile::remove(partial);
            throw std::runtime_error(std::string("falha na cópia: ") + sqlite3_errstr(step));
        }
    }
    QFile::remove(target);
    if (!QFile::rename(partial, target))
        throw std::runtime_error("não foi possível gravar " + target.toStdString());
}

QStringList checkDatabase(const DatabaseUrl& url) {
    if (url.kind == DbKind::Sqlite && !QFile::exists(url.path))
        return {QStringLiteral("o banco %1 não existe").arg(url.path)};
    Session session(url, QStringLiteral("est-server-check"));
    QStringList problems;
    if (url.kind == DbKind::Sqlite) {
        const QStringList integrity = column(session, QStringLiteral("PRAGMA integrity_check"));
        if (integrity != QStringList{QStringLiteral("ok")})
            problems << QStringLiteral("integridade: %1").arg(integrity.join(QStringLiteral("; ")));
        QStringList orphans = column(session, QStringLiteral("PRAGMA foreign_key_check"));
        const qsizetype rows = orphans.size();
        orphans.removeDuplicates();
        if (rows > 0)
            problems << QStringLiteral("%1 linha(s) com referência a registro inexistente "
                                       "(tabelas %2)")
                            .arg(rows)
                            .arg(orphans.join(QStringLiteral(", ")));
    }
    try {
        requireCurrentSchema(session, url.display());
    } catch (const std::runtime_error& e) {
        problems << QString::fromUtf8(e.what());
    }
    QHash<QString, QString> present; // upper case to the name the database gives
    for (const QString& table : session.db().tables())
        present.insert(table.toUpper(), table);
    const QHash<QString, QStringList> expected = currentSchema();
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        if (!present.contains(it.key())) {
            problems << QStringLiteral("falta a tabela %1").arg(it.key());
            continue;
        }
        const QSqlRecord record = session.db().record(present.value(it.key()));
        for (const QString& field : it.value())
            if (record.indexOf(field) < 0 && record.indexOf(field.toLower()) < 0)
                problems << QStringLiteral("falta a coluna %1.%2").arg(it.key(), field);
    }
    problems.sort();
    return problems;
}

} // namespace server
