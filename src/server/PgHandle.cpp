#include <server/PgHandle.h>

#include <QSqlDriver>
#include <QVariant>

#include <libpq-fe.h>

#include <cstring>

namespace server::pg {
namespace {

PGconn* handle(const QSqlDatabase& db) {
    if (!db.isValid() || !db.driver())
        return nullptr;
    const QVariant value = db.driver()->handle();
    // Qt names the type after the struct behind libpq's typedef.
    if (!value.isValid() || (std::strcmp(value.typeName(), "PGconn*") != 0 &&
                             std::strcmp(value.typeName(), "pg_conn*") != 0))
        return nullptr;
    return *static_cast<PGconn* const*>(value.constData());
}

} // namespace

PGconn* connectionOf(const QSqlDatabase& db) {
    return handle(db);
}

bool connectionAlive(const QSqlDatabase& db) {
    PGconn* conn = handle(db);
    return conn && PQstatus(conn) == CONNECTION_OK;
}

int backendPid(const QSqlDatabase& db) {
    PGconn* conn = handle(db);
    return conn ? PQbackendPID(conn) : 0;
}

int socketOf(const QSqlDatabase& db) {
    PGconn* conn = handle(db);
    return conn ? PQsocket(conn) : -1;
}

} // namespace server::pg
