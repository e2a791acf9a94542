#pragma once
// The libpq connection under a QtSql PostgreSQL connection, for what QtSql does not tell:
// whether the connection still stands, its server process and its socket.

#include <QSqlDatabase>

struct pg_conn; // libpq's PGconn

namespace server::pg {

// The libpq connection; nullptr for a connection that is not PostgreSQL's.
pg_conn* connectionOf(const QSqlDatabase& db);

// False once libpq has seen the connection break (or for a connection that is not
// PostgreSQL's).
bool connectionAlive(const QSqlDatabase& db);
// The server process serving the connection; 0 when unknown.
int backendPid(const QSqlDatabase& db);
// The connection's socket; -1 when unknown.
int socketOf(const QSqlDatabase& db);

} // namespace server::pg
