#include <server/Packets.h>

#include <QDate>
#include <QJsonArray>

namespace server {

dataset::DataPacket packetFromQuery(QSqlQuery& query, const QList<FieldDef>& fields) {
    dataset::DataPacket packet;
    packet.fields = fields;
    const int count = static_cast<int>(fields.size());
    while (query.next()) {
        dataset::Row row;
        row.reserve(count);
        for (int i = 0; i < count; ++i) {
            const QVariant value = query.value(i);
            if (value.isNull()) {
                row.append(QVariant());
                continue;
            }
            switch (fields.at(i).type) {
            case FieldType::String:
                row.append(value.toString());
                break;
            case FieldType::Float:
                row.append(value.toDouble());
                break;
            case FieldType::Integer:
                row.append(value.toLongLong());
                break;
            case FieldType::Date:
                // SQLite keeps dates as ISO text, PostgreSQL answers a date.
                row.append(value.typeId() == QMetaType::QDate
                               ? value.toDate()
                               : QDate::fromString(value.toString().left(10), Qt::ISODate));
                break;
            case FieldType::Boolean:
                row.append(value.toBool());
                break;
            }
        }
        packet.rows.append(std::move(row));
    }
    query.finish();
    return packet;
}

QJsonObject checkedResult(const dataset::DataPacket& packet) {
    return QJsonObject{{QStringLiteral("messages"), QJsonArray()},
                       {QStringLiteral("data"), QJsonArray{dataset::dataPacketToJson(packet)}}};
}

QByteArray checkedResultText(const dataset::DataPacket& packet) {
    return checkedResultText(dataset::dataPacketToJsonText(packet));
}

QByteArray checkedResultText(const QByteArray& packetText) {
    // The keys in the order the JSON document writes them.
    return "{\"data\":[" + packetText + "],\"messages\":[]}";
}

} // namespace server
