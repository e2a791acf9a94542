// Writes a data packet straight to JSON text, the same JSON that dataPacketToJson gives once
// serialised, without building a JSON document first: a long list is sent for the price of
// its text.

#include <dataset/DataPacket.h>

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace dataset {
namespace {

void writeText(QByteArray& out, const QString& text) {
    out += '"';
    const QByteArray utf8 = text.toUtf8();
    for (const char c : utf8) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                static const char hex[] = "0123456789abcdef";
                out += "\\u00";
                out += hex[(c >> 4) & 0xf];
                out += hex[c & 0xf];
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

void writeNumber(QByteArray& out, double value) {
    if (!std::isfinite(value))
        out += "null"; // as the JSON document writes it
    else
        out += QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
}

void writeValue(QByteArray& out, const QVariant& value, FieldType type) {
    if (!value.isValid() || value.isNull()) {
        out += "null";
        return;
    }
    switch (type) {
    case FieldType::String:
        writeText(out, value.toString());
        return;
    case FieldType::Float:
        writeNumber(out, value.toDouble());
        return;
    case FieldType::Integer:
        writeNumber(out, static_cast<double>(value.toLongLong()));
        return;
    case FieldType::Date:
        writeText(out, value.toDate().toString(Qt::ISODate));
        return;
    case FieldType::Boolean:
        out += value.toBool() ? "true" : "false";
        return;
    }
    out += "null";
}

} // namespace

QByteArray dataPacketToJsonText(const DataPacket& packet) {
    // The field list is short: the JSON document writes it, so it reads as ever.
    const QByteArray head =
        QJsonDocument(
            QJsonObject{{QStringLiteral("fields"),
                         dataPacketToJson({packet.fields, {}}).value(QLatin1String("fields"))},
                        {QStringLiteral("rows"), QJsonArray()}})
            .toJson(QJsonDocument::Compact);
    QByteArray out;
    out.reserve(head.size() + packet.rows.size() * packet.fields.size() * 12);
    out += head.first(head.size() - 3); // without "[]}"
    out += '[';
    for (qsizetype r = 0; r < packet.rows.size(); ++r) {
        if (r > 0)
            out += ',';
        out += '[';
        const Row& row = packet.rows.at(r);
        for (qsizetype i = 0; i < packet.fields.size(); ++i) {
            if (i > 0)
                out += ',';
            writeValue(out, i < row.size() ? row.at(i) : QVariant(), packet.fields.at(i).type);
        }
        out += ']';
    }
    out += "]}";
    return out;
}

} // namespace dataset
