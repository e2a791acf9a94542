#pragma once
// Data packets and change packets: the values that travel between the client datasets and
// the application server, and their JSON form (docs/protocol.md). One codec for both sides.

#include <QByteArrayView>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QVariant>

#include <stdexcept>

namespace dataset {

enum class FieldType { String, Float, Integer, Date, Boolean };

QString fieldTypeName(FieldType type);

struct FieldDef {
    QString name;
    FieldType type = FieldType::String;
    int size = 0; // characters, for strings; 0 elsewhere

    bool operator==(const FieldDef&) const = default;
};

// A row holds one value per field, in field order. A null QVariant is a null value;
// otherwise: QString, double, qlonglong, QDate or bool by field type.
using Row = QList<QVariant>;

struct DataPacket {
    QList<FieldDef> fields;
    QList<Row> rows;

    int indexOf(const QString& fieldName) const; // -1 when absent, letter case ignored
};

enum class ChangeKind { Insert, Modify, Delete };

struct Change {
    ChangeKind kind = ChangeKind::Insert;
    Row oldRow; // before-image: modify and delete
    Row newRow; // insert and modify
};

struct ChangePacket {
    QList<FieldDef> fields;
    QList<Change> changes;

    int indexOf(const QString& fieldName) const;
};

// Raised for any malformed packet; the text names what is wrong.
class PacketError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// rowCapacity reserves room in each row for that many values (a dataset adds its calculated
// fields without moving the row).
DataPacket dataPacketFromJson(const QJsonValue& json, qsizetype rowCapacity = 0);
// The same from JSON text, read in one pass without building a JSON document first (the
// fast way to load a large packet). Text that is not a well-formed packet throws PacketError.
DataPacket dataPacketFromJsonText(QByteArrayView json, qsizetype rowCapacity = 0);
// The "fields" list of a packet; throws PacketError when malformed.
QList<FieldDef> fieldDefsFromJson(const QJsonValue& json);
QJsonObject dataPacketToJson(const DataPacket& packet);
// The same packet as compact JSON text, written without a JSON document (the fast way to send
// a large packet).
QByteArray dataPacketToJsonText(const DataPacket& packet);

// A JSON null decodes to an empty packet (no change).
ChangePacket changePacketFromJson(const QJsonValue& json);
// The same from JSON text, read in one pass without building a JSON document first. It reads
// what the JSON-value decoder reads, and refuses (PacketError) what it or the JSON parser
// refuses, and also a key repeated in one object.
ChangePacket changePacketFromJsonText(QByteArrayView json);
// A JSON list of change packets (each may be null), as a call's arguments carry them.
QList<ChangePacket> changePacketsFromJsonText(QByteArrayView json);
// An empty change list encodes as JSON null.
QJsonValue changePacketToJson(const ChangePacket& packet);
// The same as compact JSON text ("null" for no change), byte for byte what a JSON document
// writes, without building one.
QByteArray changePacketToJsonText(const ChangePacket& packet);

// Converts one JSON value to the field's value type; throws PacketError on a mismatch.
QVariant valueFromJson(const QJsonValue& json, const FieldDef& field);
QJsonValue valueToJson(const QVariant& value, FieldType type);

} // namespace dataset
