#include <dataset/DataPacket.h>

#include <dataset/PacketNames.h>

#include <QDate>
#include <QJsonArray>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace dataset {
namespace {

const char* const kTypeNames[] = {"string", "float", "integer", "date", "boolean"};
const char* const kChangeKindNames[] = {"insert", "modify", "delete"};

template <class Enum, size_t N>
std::optional<Enum> named(QAnyStringView name, const char* const (&names)[N]) {
    for (size_t i = 0; i < N; ++i)
        if (QAnyStringView::equal(name, QLatin1StringView(names[i])))
            return static_cast<Enum>(i);
    return std::nullopt;
}

[[noreturn]] void fail(const QString& what) {
    throw PacketError(what.toStdString());
}

FieldType typeFromName(const QString& name, const QString& field) {
    if (const auto type = fieldTypeNamed(name))
        return *type;
    fail(QStringLiteral("campo %1: tipo desconhecido \"%2\"").arg(field, name));
}

} // namespace

std::optional<FieldType> fieldTypeNamed(QAnyStringView name) {
    return named<FieldType>(name, kTypeNames);
}

std::optional<ChangeKind> changeKindNamed(QAnyStringView name) {
    return named<ChangeKind>(name, kChangeKindNames);
}

QList<FieldDef> fieldDefsFromJson(const QJsonValue& json) {
    if (!json.isArray())
        fail(QStringLiteral("pacote sem a lista \"fields\""));
    QList<FieldDef> fields;
    QSet<QString> seen;
    const QJsonArray array = json.toArray();
    fields.reserve(array.size());
    for (const QJsonValue& item : array) {
        if (!item.isObject())
            fail(QStringLiteral("campo %1 não é um objeto").arg(fields.size() + 1));
        const QJsonObject obj = item.toObject();
        FieldDef def;
        def.name = obj.value(QLatin1String("name")).toString();
        if (def.name.isEmpty())
            fail(QStringLiteral("campo %1 sem nome").arg(fields.size() + 1));
        if (seen.contains(def.name.toUpper()))
            fail(QStringLiteral("campo %1 repetido").arg(def.name));
        seen.insert(def.name.toUpper());
        def.type = typeFromName(obj.value(QLatin1String("type")).toString(), def.name);
        const QJsonValue size = obj.value(QLatin1String("size"));
        if (!size.isUndefined() && !size.isNull()) {
            const double s = size.toDouble(-1);
            if (!size.isDouble() || s < 0 || s != std::floor(s) || s > 1e6)
                fail(QStringLiteral("campo %1: tamanho inválido").arg(def.name));
            def.size = static_cast<int>(s);
        }
        fields.append(def);
    }
    return fields;
}

namespace {

QJsonArray fieldsToJson(const QList<FieldDef>& fields) {
    QJsonArray array;
    for (const FieldDef& def : fields) {
        QJsonObject obj{{QStringLiteral("name"), def.name},
                        {QStringLiteral("type"), fieldTypeName(def.type)}};
        if (def.type == FieldType::String)
            obj.insert(QStringLiteral("size"), def.size);
        array.append(obj);
    }
    return array;
}

// Names a row in an error message; built only when there is an error to report.
struct Where {
    const char* label; // "linha", "alteração"
    qsizetype number;  // 1-based
    const char* side = nullptr;
    QString text() const {
        QString t = QString::fromUtf8(label) + QLatin1Char(' ') + QString::number(number);
        if (side)
            t += QStringLiteral(" (%1)").arg(QLatin1String(side));
        return t;
    }
};

Row rowFromJson(const QJsonValue& json, const QList<FieldDef>& fields, const Where& at,
                qsizetype capacity = 0) {
    if (!json.isArray())
        fail(QStringLiteral("%1 não é uma lista de valores").arg(at.text()));
    const QJsonArray array = json.toArray();
    if (array.size() != fields.size())
        fail(QStringLiteral("%1 tem %2 valores para %3 campos")
                 .arg(at.text())
                 .arg(array.size())
                 .arg(fields.size()));
    Row row;
    row.reserve(std::max(array.size(), capacity));
    for (qsizetype i = 0; i < array.size(); ++i) {
        try {
            row.append(valueFromJson(array.at(i), fields.at(i)));
        } catch (const PacketError& e) {
            fail(QStringLiteral("%1: %2").arg(at.text(), QString::fromStdString(e.what())));
        }
    }
    return row;
}

QJsonArray rowToJson(const Row& row, const QList<FieldDef>& fields) {
    QJsonArray array;
    for (qsizetype i = 0; i < fields.size(); ++i)
        array.append(valueToJson(i < row.size() ? row.at(i) : QVariant(), fields.at(i).type));
    return array;
}

int indexIn(const QList<FieldDef>& fields, const QString& name) {
    // Qt folds letter case one UTF-16 unit for one, so names equal but for case are equally long.
    for (qsizetype i = 0; i < fields.size(); ++i)
        if (fields.at(i).name.size() == name.size() &&
            fields.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

} // namespace

QString fieldTypeName(FieldType type) {
    return QLatin1String(kTypeNames[static_cast<int>(type)]);
}

int DataPacket::indexOf(const QString& fieldName) const {
    return indexIn(fields, fieldName);
}
int ChangePacket::indexOf(const QString& fieldName) const {
    return indexIn(fields, fieldName);
}

QVariant valueFromJson(const QJsonValue& json, const FieldDef& field) {
    if (json.isNull())
        return {};
    auto wrong = [&] { fail(QStringLiteral("valor inválido para o campo %1").arg(field.name)); };
    switch (field.type) {
    case FieldType::String:
        if (!json.isString())
            wrong();
        return json.toString();
    case FieldType::Float:
        if (!json.isDouble())
            wrong();
        return json.toDouble();
    case FieldType::Integer: {
        if (!json.isDouble())
            wrong();
        const double d = json.toDouble();
        if (d != std::floor(d) || std::fabs(d) > 9.0e15)
            wrong();
        return QVariant::fromValue<qlonglong>(static_cast<qlonglong>(d));
    }
    case FieldType::Date: {
        if (!json.isString())
            wrong();
        const QDate date = QDate::fromString(json.toString(), Qt::ISODate);
        if (!date.isValid() || json.toString().size() != 10)
            wrong();
        return date;
    }
    case FieldType::Boolean:
        if (!json.isBool())
            wrong();
        return json.toBool();
    }
    wrong();
    return {};
}

QJsonValue valueToJson(const QVariant& value, FieldType type) {
    if (!value.isValid() || value.isNull())
        return QJsonValue::Null;
    switch (type) {
    case FieldType::String:
        return value.toString();
    case FieldType::Float:
        return value.toDouble();
    case FieldType::Integer:
        return static_cast<double>(value.toLongLong());
    case FieldType::Date:
        return value.toDate().toString(Qt::ISODate);
    case FieldType::Boolean:
        return value.toBool();
    }
    return QJsonValue::Null;
}

DataPacket dataPacketFromJson(const QJsonValue& json, qsizetype rowCapacity) {
    if (!json.isObject())
        fail(QStringLiteral("o pacote de dados não é um objeto"));
    const QJsonObject obj = json.toObject();
    DataPacket packet;
    packet.fields = fieldDefsFromJson(obj.value(QLatin1String("fields")));
    const QJsonValue rows = obj.value(QLatin1String("rows"));
    if (!rows.isArray())
        fail(QStringLiteral("pacote sem a lista \"rows\""));
    const QJsonArray array = rows.toArray();
    packet.rows.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i)
        packet.rows.append(
            rowFromJson(array.at(i), packet.fields, Where{"linha", i + 1}, rowCapacity));
    return packet;
}

QJsonObject dataPacketToJson(const DataPacket& packet) {
    QJsonArray rows;
    for (const Row& row : packet.rows)
        rows.append(rowToJson(row, packet.fields));
    return QJsonObject{{QStringLiteral("fields"), fieldsToJson(packet.fields)},
                       {QStringLiteral("rows"), rows}};
}

ChangePacket changePacketFromJson(const QJsonValue& json) {
    ChangePacket packet;
    if (json.isNull() || json.isUndefined())
        return packet;
    if (!json.isObject())
        fail(QStringLiteral("o pacote de alterações não é um objeto"));
    const QJsonObject obj = json.toObject();
    packet.fields = fieldDefsFromJson(obj.value(QLatin1String("fields")));
    const QJsonValue changes = obj.value(QLatin1String("changes"));
    if (!changes.isArray())
        fail(QStringLiteral("pacote sem a lista \"changes\""));
    const QJsonArray array = changes.toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QString where = QStringLiteral("alteração %1").arg(i + 1);
        if (!array.at(i).isObject())
            fail(QStringLiteral("%1 não é um objeto").arg(where));
        const QJsonObject item = array.at(i).toObject();
        const QString type = item.value(QLatin1String("type")).toString();
        const auto kind = changeKindNamed(type);
        if (!kind)
            fail(QStringLiteral("%1: tipo desconhecido \"%2\"").arg(where, type));
        Change change;
        change.kind = *kind;
        if (change.kind != ChangeKind::Insert)
            change.oldRow = rowFromJson(item.value(QLatin1String("old")), packet.fields,
                                        Where{"alteração", i + 1, "old"});
        if (change.kind != ChangeKind::Delete)
            change.newRow = rowFromJson(item.value(QLatin1String("new")), packet.fields,
                                        Where{"alteração", i + 1, "new"});
        packet.changes.append(change);
    }
    return packet;
}

QJsonValue changePacketToJson(const ChangePacket& packet) {
    if (packet.changes.isEmpty())
        return QJsonValue::Null;
    QJsonArray changes;
    for (const Change& change : packet.changes) {
        QJsonObject item;
        switch (change.kind) {
        case ChangeKind::Insert:
            item.insert(QStringLiteral("type"), QStringLiteral("insert"));
            item.insert(QStringLiteral("new"), rowToJson(change.newRow, packet.fields));
            break;
        case ChangeKind::Modify:
            item.insert(QStringLiteral("type"), QStringLiteral("modify"));
            item.insert(QStringLiteral("old"), rowToJson(change.oldRow, packet.fields));
            item.insert(QStringLiteral("new"), rowToJson(change.newRow, packet.fields));
            break;
        case ChangeKind::Delete:
            item.insert(QStringLiteral("type"), QStringLiteral("delete"));
            item.insert(QStringLiteral("old"), rowToJson(change.oldRow, packet.fields));
            break;
        }
        changes.append(item);
    }
    return QJsonObject{{QStringLiteral("fields"), fieldsToJson(packet.fields)},
                       {QStringLiteral("changes"), changes}};
}

} // namespace dataset
