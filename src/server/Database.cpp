#include <server/Database.h>

#include <server/PgHandle.h>

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QUrl>

#include <sys/socket.h>
#include <sys/stat.h>

#include <algorithm>
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

QStringList Dialect::sessionLimits(int lockWaitMs) const {
    if (kind != DbKind::Postgres)
        return {};
    // A statement never waits beyond the lock wait by much, and a session left inside a
    // transaction (its server frozen or cut off) is ended by PostgreSQL, releasing its locks,
    // well before a peer's write gives up waiting for them.
    return {QStringLiteral("SET statement_timeout = %1").arg(lockWaitMs + 2000),
            QStringLiteral("SET idle_in_transaction_session_timeout = %1")
                .arg(std::max(1000, lockWaitMs / 2))};
}

namespace {

// What the error means for the client, by PostgreSQL's SQLSTATE or SQLite's result code
// (an extended code keeps the primary one in its low byte).
DbFailure classify(const QSqlError& error, DbKind kind) {
    const QString code = error.nativeErrorCode();
    if (kind == DbKind::Sqlite) {
        switch (code.toInt() & 0xff) {
        case 5: // SQLITE_BUSY
        case 6: // SQLITE_LOCKED
            return DbFailure::Busy;
        case 13: // SQLITE_FULL
            return DbFailure::DiskFull;
        case 8: // SQLITE_READONLY
            return DbFailure::ReadOnly;
        case 10: // SQLITE_IOERR
        case 11: // SQLITE_CORRUPT
        case 14: // SQLITE_CANTOPEN
        case 26: // SQLITE_NOTADB
            return DbFailure::Unavailable;
        default:
            return DbFailure::Other;
        }
    }
    // serialization_failure, deadlock_detected, lock_not_available, query_canceled (the
    // statement's time ran out)
    if (code == QLatin1String("40001") || code == QLatin1String("40P01") ||
        code == QLatin1String("55P03") || code == QLatin1String("57014"))
        return DbFailure::Busy;
    if (code == QLatin1String("53100"))
        return DbFailure::DiskFull;
    if (code == QLatin1String("25006"))
        return DbFailure::ReadOnly;
    // connection exceptions, the server shutting down or starting, too many connections,
    // a session ended for idling in a transaction, an I/O error on the server
    if (code.startsWith(QLatin1String("08")) || code.startsWith(QLatin1String("57P")) ||
        code == QLatin1String("53300") || code == QLatin1String("25P03") ||
        code == QLatin1String("58030"))
        return DbFailure::Unavailable;
    return DbFailure::Other;
}

// The identity of a file (device, inode); false when there is none at the path.
bool fileIdentity(const QString& path, quint64& device, quint64& inode) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    device = info.st_dev;
    inode = info.st_ino;
    return true;
}

} // namespace

void Session::fail(const QSqlError& error, const QString& sql, const char* what) const {
    DbFailure failure = classify(error, dialect_.kind);
    // SQLite says only that it cannot open or write; a file or folder that takes no writes
    // (a disk mounted read-only, permissions taken away) is the administrator's to mend.
    if (!path_.isEmpty() && failure != DbFailure::Busy && failure != DbFailure::DiskFull) {
        const QFileInfo file(path_);
        if ((file.exists() && !file.isWritable()) || !QFileInfo(file.absolutePath()).isWritable())
            throw DbError("o banco " + path_.toStdString() +
                              " está somente leitura: o arquivo ou a sua pasta não aceita "
                              "gravação (" +
                              error.text().toStdString() + ")",
                          DbFailure::ReadOnly, statementsRun_ == 0);
    }
    // A connection libpq saw break says nothing in SQLSTATE.
    if (dialect_.kind == DbKind::Postgres && !pg::connectionAlive(db_))
        failure = DbFailure::Unavailable;
    throw DbError(what + error.text().toStdString() + " [" + sql.simplified().toStdString() + "]",
                  failure, statementsRun_ == 0);
}

Session::Session(const DatabaseUrl& url, const QString& connectionName, int lockWaitMs,
                 bool mayCreate)
    : name_(connectionName) {
    dialect_.kind = url.kind;
    if (url.kind == DbKind::Sqlite) {
        if (url.path != QLatin1String(":memory:"))
            path_ = url.path; // a file, whose identity is kept
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        // Writers wait for each other instead of failing at once.
        QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(lockWaitMs);
        if (mayCreate) {
            db_.setDatabaseName(url.path);
        } else {
            // Read-write without creating: a missing file is an error, never a new empty
            // database where one was.
            db_.setDatabaseName(QUrl::fromLocalFile(QFileInfo(url.path).absoluteFilePath())
                                    .toString(QUrl::FullyEncoded) +
                                QStringLiteral("?mode=rw"));
            options += QStringLiteral(";QSQLITE_OPEN_URI");
        }
        db_.setConnectOptions(options);
    } else {
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name_);
        db_.setHostName(url.host);
        db_.setPort(url.port);
        db_.setUserName(url.user);
        db_.setPassword(url.password);
        db_.setDatabaseName(url.name);
        // Keepalives: a database machine that vanished (cable, power) is noticed within
        // seconds, not after the system's two hours.
        db_.setConnectOptions(QStringLiteral(
            "connect_timeout=5;application_name=est-server;keepalives=1;keepalives_idle=10;"
            "keepalives_interval=3;keepalives_count=3;tcp_user_timeout=15000"));
    }
    const bool opened = db_.open();
    if (!opened || (!path_.isEmpty() && !fileIdentity(path_, device_, inode_))) {
        const QString text =
            opened ? QStringLiteral("o arquivo sumiu ao abrir") : db_.lastError().text();
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
        if (url.kind == DbKind::Sqlite && !mayCreate && !QFileInfo::exists(url.path))
            throw DbError("o banco " + url.display().toStdString() +
                              " não existe; inicie com --init para criar um banco novo",
                          DbFailure::Unavailable);
        throw DbError("não foi possível abrir o banco " + url.display().toStdString() + ": " +
                          text.toStdString(),
                      DbFailure::Unavailable);
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
        backendPid_ = pg::backendPid(db_);
        socket_ = pg::socketOf(db_);
        // The statements are kept prepared and are lookups by key, but by default PostgreSQL
        // plans them again on every execution (the plan for the bound value looks cheaper than
        // the generic one), which cost more than running them. Once per connection.
        execDirect(QStringLiteral("SET plan_cache_mode = force_generic_plan"));
        // A row or table lock held elsewhere (another user's write, an administrator's open
        // transaction) is waited for as long as SQLite waits, not for ever.
        execDirect(QStringLiteral("SET lock_timeout = %1").arg(lockWaitMs));
    }
}

void Session::beginRequest(const QString& key, const QString& digest) {
    requestKey_ = key;
    requestDigest_ = digest;
    statementsRun_ = 0;
}

void Session::interrupt() {
    if (socket_ >= 0)
        ::shutdown(socket_, SHUT_RDWR);
}

bool Session::fileStillThere() const {
    if (path_.isEmpty())
        return true;
    quint64 device = 0, inode = 0;
    return fileIdentity(path_, device, inode) && device == device_ && inode == inode_;
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
    succeeded();
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
    succeeded();
}

void Session::releaseResults() {
    for (auto& statement : statements_)
        statement.query->finish();
    for (auto& query : retired_)
        query->finish();
}

void Session::beginWrite() {
    execDirect(dialect_.beginWrite());
    inTransaction_ = true;
}

void Session::commit() {
    for (auto& statement : statements_)
        statement.query->finish();
    try {
        execDirect(QStringLiteral("COMMIT"));
    } catch (const DbError& e) {
        // The COMMIT may have reached the database and committed before the connection broke.
        if (e.failure() == DbFailure::Unavailable && dialect_.kind == DbKind::Postgres)
            throw DbError(std::string("conexão perdida durante o COMMIT: ") + e.what(),
                          DbFailure::OutcomeUnknown);
        throw;
    }
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
