#pragma once
// Turns query rows into data packets and wraps results the client checks.

#include <dataset/DataPacket.h>

#include <QJsonObject>
#include <QSqlQuery>

namespace server {

using dataset::FieldDef;
using dataset::FieldType;

inline FieldDef text(const char* name, int size) {
    return {QLatin1String(name), FieldType::String, size};
}
inline FieldDef number(const char* name) {
    return {QLatin1String(name), FieldType::Float, 0};
}

// Reads every row of an executed query; column i fills field i.
dataset::DataPacket packetFromQuery(QSqlQuery& query, const QList<FieldDef>& fields);

// {"messages": [], "data": [packet]}: the shape the client's result check accepts.
QJsonObject checkedResult(const dataset::DataPacket& packet);
// The same answer as JSON text, written without a JSON document (for long lists).
QByteArray checkedResultText(const dataset::DataPacket& packet);
// The same around a packet's JSON text.
QByteArray checkedResultText(const QByteArray& packetText);

} // namespace server
