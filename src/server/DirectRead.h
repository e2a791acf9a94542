#pragma once
// A long list read straight through the database's own client library (SQLite's, libpq) and
// written as a data packet's JSON text: no QtSql value, no QString, no packet in between, so
// a row costs about what its text does.

#include <dataset/DataPacket.h>

#include <QByteArray>
#include <QString>
#include <QVariantHash>

namespace server {

class Session;

// Runs `sql`, its values bound by name (":NAME") as Session::run binds them, and writes its
// rows as the JSON text of a packet of `fields`, column i in field i: the text that
// dataset::dataPacketToJsonText(packetFromQuery(...)) gives for the same rows. For lists of
// text columns read into string fields and of number columns read into float or integer
// fields; throws DbError as Session::run does.
QByteArray packetTextFromSql(Session& session, const QString& sql, const QVariantHash& values,
                             const QList<dataset::FieldDef>& fields);

} // namespace server
