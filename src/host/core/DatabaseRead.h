#pragma once
// A read on a database connection that survives a lost connection: the statement runs, and
// when it fails because the connection is gone (the database server restarted, the network
// dropped it) the connection is closed, asked for again (its owner opens a new one) and the
// read runs once more. What cannot be mended raises host::EHostError with a Portuguese text;
// the driver's own text goes to the log only.

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariantHash>

#include <functional>

namespace host {

// Whether a failed statement lost its connection rather than being refused by the database.
bool ConnectionLost(QSqlDatabase& database, const QSqlError& error);

// Runs the statement with its named values (":NAME") on the connection that `connection`
// gives, positioned before the first row. `connection` raises when no connection can be opened.
// On PostgreSQL the driver writes the values into the statement, sent as one simple query (one
// round trip, no statement left prepared on the connection); elsewhere they are bound.
QSqlQuery ReadWithRetry(const std::function<QSqlDatabase()>& connection, const QString& sql,
                        const QVariantHash& values = {});

// The text shown when the database cannot be reached even after opening a new connection.
QString DatabaseUnreachableText();

} // namespace host
