#include <server/Database.h>

#include <QSqlError>
#include <QUrl>

#include <stdexcept>

namespace server {

DatabaseUrl DatabaseUrl::parse(const QString& url) {
    DatabaseUrl result;
    if (url.startsWith(QLatin1String("sqlite:"))) {
        result.kind = DbKind::Sqlite;
        result.path = url.mid(7);
        if (result.path.startsWith(QLatin1String("//")))
            result.path = result.path.mid(2);
        if (result.path.isEmpty())
            throw std::runtime_error("URL sqlite sem o caminho do arquivo");
        return result;
    }
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid() ||
        (parsed.scheme() != QLatin1String("postgresql") &&
         parsed.scheme() != QLatin1String("postgres")) ||
        parsed.host().isEmpty())
        throw std::runtime_error("URL de banco não suportada (use sqlite:CAMINHO ou "
                                 "postgresql://USUÁRIO@HOST:PORTA/BANCO): " +
                                 url.toStdString());
    result.kind = DbKind::Postgres;
    result.host = parsed.host();
    result.port = parsed.port(5432);
    result.user = parsed.userName();
    result.password = parsed.password();
    result.name = parsed.path().mid(1);
    if (result.name.isEmpty())
        result.name = QStringLiteral("postgres");
    return result;
}

QString DatabaseUrl::display() const {
    if (kind == DbKind::Sqlite)
        return QStringLiteral("sqlite:") + path;
    return QStringLiteral("postgresql://%1@%2:%3/%4").arg(user, host).arg(port).arg(name);
}

QString Dialect::ddl(QString text) const {
    const bool pg = kind == DbKind::Postgres;
    text.replace(QLatin1String("${DOUBLE}"), pg ? "DOUBLE PRECISION" : "REAL");
    text.replace(QLatin1String("${DATE}"), pg ? "DATE" : "TEXT");
    text.replace(QLatin1String("${BIGINT}"), pg ? "BIGINT" : "INTEGER");
    // A key the database numbers itself, in the order of the insertions (on SQLite the rowid:
    // one more than the highest, which holds for a table whose rows are never deleted).
    text.replace(QLatin1String("${SERIALKEY}"),
                 pg ? "BIGSERIAL PRIMARY KEY" : "INTEGER PRIMARY KEY");
    return text;
}

QString Dialect::beginWrite() const {
    return kind == DbKind::Postgres ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE");
}

QString Dialect::forUpdate() const {
    return kind == DbKind::Postgres ? QStringLiteral(" FOR UPDATE") : QString();
}

QString Dialect::tableExistsSql() const {
    if (kind == DbKind::Postgres)
        return QStringLiteral(
            "SELECT 1 FROM information_schema.tables "
            "WHERE table_schema = current_schema() AND upper(table_name) = :NAME");
    return QStringLiteral(
        "SELECT 1 FROM sqlite_master WHERE type = 'table' AND upper(name) = :NAME");
}

namespace {

// A lock not granted in time: SQLite's SQLITE_BUSY and SQLITE_LOCKED (an extended code keeps
// them in its low byte); PostgreSQL's serialization_failure, deadlock_detected and
// lock_not_available.
bool isBusy(const QSqlError& error, DbKind kind) {
    const QString code = error.nativeErrorCode();
    if (kind == DbKind::Sqlite) {
        const int primary = code.toInt() & 0xff;
        return primary == 5 || primary == 6;
    }
    return code == QLatin1String("40001") || code == QLatin1String("40P01") ||
           code == QLatin1String("55P03");
}

} // namespace

void Session::fail(const QSqlError& error, const QString& sql, const char* what) const {
    throw DbError(what + error.text().toStdString() + " [" + sql.simplified().toStdString() + "]",
                  isBusy(error, dialect_.kind));
}

Session::Session(const DatabaseUrl& url, const QString& connectionName, int lockWaitMs)
    : name_(connectionName) {
    dialect_.kind = url.kind;
    if (url.kind == DbKind::Sqlite) {
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db_.setDatabaseName(url.path);
        // Writers wait for each other instead of failing at once.
        db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(lockWaitMs));
    } else {
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name_);
        db_.setHostName(url.host);
        db_.setPort(url.port);
        db_.setUserName(url.user);
        db_.setPassword(url.password);
        db_.setDatabaseName(url.name);
        db_.setConnectOptions(QStringLiteral("connect_timeout=10;application_name=est-server"));
    }
    if (!db_.open()) {
        const QString text = db_.lastError().text();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
        throw std::runtime_error("não foi possível abrir o banco " + url.display().toStdString() +
                                 ": " + text.toStdString());
    }
    if (url.kind == DbKind::Sqlite) {
        // WAL lets readers go on while one writer commits; FULL syncs the log at every commit,
        // so an answered confirmation survives a power cut, not only a crash of the process.
        execDirect(QStringLiteral("PRAGMA journal_mode=WAL"));
        execDirect(QStringLiteral("PRAGMA synchronous=FULL"));
        execDirect(QStringLiteral("PRAGMA foreign_keys=ON"));
        // The statement journal of a multi-row insert checked by foreign keys, and the sorts of
        // a large list, in memory: otherwise every such transaction creates, writes and deletes
        // a temporary file.
        execDirect(QStringLiteral("PRAGMA temp_store=MEMORY"));
    } else {
        // The statements are kept prepared and are lookups by key, but by default PostgreSQL
        // plans them again on every execution (the plan for the bound value looks cheaper than
        // the generic one), which cost more than running them. Once per connection.
        execDirect(QStringLiteral("SET plan_cache_mode = force_generic_plan"));
        // A row or table lock held elsewhere (another user's write, an administrator's open
        // transaction) is waited for as long as SQLite waits, not for ever.
        execDirect(QStringLiteral("SET lock_timeout = %1").arg(lockWaitMs));
    }
}

Session::~Session() {
    if (inTransaction_)
        rollback();
    statements_.clear();
    retired_.clear();
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(name_);
}

QSqlQuery& Session::prepared(const QString& sql) {
    auto it = statements_.find(sql);
    if (it != statements_.end()) {
        it->used = ++uses_;
        it->query->finish();
        return *it->query;
    }
    // Statements whose text depends on a count (rows of a multi-row insert) would otherwise
    // pile up for every count ever seen.
    if (statements_.size() >= kMaxStatements) {
        auto oldest = statements_.begin();
        for (auto s = statements_.begin(); s != statements_.end(); ++s)
            if (s->used < oldest->used)
                oldest = s;
        oldest->query->finish();
        retired_.append(oldest->query);
        statements_.erase(oldest);
    }
    auto query = std::make_shared<QSqlQuery>(db_);
    query->setForwardOnly(true);
    if (!query->prepare(sql))
        fail(query->lastError(), sql, "falha ao preparar: ");
    statements_.insert(sql, {query, ++uses_});
    return *query;
}

void Session::exec(QSqlQuery& query) {
    if (!query.exec())
        fail(query.lastError(), query.lastQuery());
}

QSqlQuery& Session::run(const QString& sql, const QVariantHash& values) {
    QSqlQuery& query = prepared(sql);
    for (auto it = values.begin(); it != values.end(); ++it)
        query.bindValue(QLatin1Char(':') + it.key(), it.value());
    exec(query);
    return query;
}

QSqlQuery& Session::runPositional(const QString& sql, const QVariantList& values) {
    QSqlQuery& query = prepared(sql);
    for (qsizetype i = 0; i < values.size(); ++i)
        query.bindValue(static_cast<int>(i), values.at(i));
    exec(query);
    return query;
}

void Session::execDirect(const QString& sql) {
    QSqlQuery query(db_);
    if (!query.exec(sql))
        fail(query.lastError(), sql);
}

void Session::beginWrite() {
    execDirect(dialect_.beginWrite());
    inTransaction_ = true;
}

void Session::commit() {
    for (auto& statement : statements_)
        statement.query->finish();
    execDirect(QStringLiteral("COMMIT"));
    inTransaction_ = false;
}

void Session::rollback() noexcept {
    inTransaction_ = false;
    for (auto& statement : statements_)
        statement.query->finish();
    QSqlQuery query(db_);
    query.exec(QStringLiteral("ROLLBACK"));
}

} // namespace server
