// Reads change packets straight from their JSON text: one pass over the values, no
// intermediate JSON document. It reads only well-formed JSON, and reads it as the JSON-value
// decoder does; it is stricter in one point: a key repeated in an object is refused.

#include <dataset/DataPacket.h>
#include <dataset/JsonTextReader.h>
#include <dataset/PacketNames.h>

#include <QDate>
#include <QSet>

#include <cmath>

namespace dataset {
namespace {

constexpr JsonTextWording kWording{"pacote malformado: ", "aninhado demais", "falta ':'",
                                   "lista ou objeto sem fim", true};

// Where a row is, for messages: "alteração 2 (old)".
QString where(qsizetype change, const char* side) {
    return QStringLiteral("alteração %1 (%2)").arg(change).arg(QLatin1String(side));
}

class Reader : private JsonTextReader {
public:
    explicit Reader(QByteArrayView text) : JsonTextReader(text, kWording) {}

    // A change packet or null, where the reader stands.
    ChangePacket packetOrNull() {
        skipBlanks();
        if (literal("null"))
            return {};
        if (peek() != '{')
            fail(QStringLiteral("o pacote de alterações não é um objeto"));
        ++p_;
        ChangePacket packet;
        const char* changes = nullptr; // met before the fields: read once they are known
        bool haveFields = false;
        bool haveChanges = false;
        forEachKey([&](QByteArrayView key) {
            if (key == "fields") {
                noRepeat(haveFields);
                packet.fields = fields();
            } else if (key == "changes") {
                noRepeat(haveChanges);
                if (haveFields) {
                    readChanges(packet);
                } else {
                    changes = p_;
                    skipValue(0);
                }
            } else {
                skipValue(0);
            }
        });
        if (!haveFields)
            fail(QStringLiteral("pacote sem a lista \"fields\""));
        if (!haveChanges)
            fail(QStringLiteral("pacote sem a lista \"changes\""));
        if (changes) {
            const char* after = p_;
            p_ = changes;
            readChanges(packet);
            p_ = after;
        }
        return packet;
    }

    // A JSON list of change packets, each of them possibly null.
    QList<ChangePacket> packetList() {
        QList<ChangePacket> packets;
        skipBlanks();
        expect('[', "a lista de pacotes de alterações não é uma lista");
        forEachItem(']', "lista de pacotes sem fim", [&] { packets.append(packetOrNull()); });
        return packets;
    }

    void nothingAfter() {
        skipBlanks();
        if (!atEnd())
            failAt("texto após o fim do pacote");
    }

private:
    void noRepeat(bool& seen) const {
        if (seen)
            failAt("chave repetida");
        seen = true;
    }

    // Calls onKey with the reader on each value of the object whose '{' was just read; onKey
    // must read the value.
    template <class OnKey> void forEachKey(OnKey&& onKey) {
        forEachItem('}', "objeto sem fim", [&] {
            bool escaped = false;
            const QByteArrayView raw = rawString(escaped);
            const QByteArray decoded = escaped ? decode(raw, true).toUtf8() : QByteArray();
            skipBlanks();
            expect(':', "falta ':'");
            skipBlanks();
            onKey(escaped ? QByteArrayView(decoded) : raw);
        });
    }

    // A field's "name" or "type": text, anything else reads as empty text (as the JSON-value
    // decoder reads it).
    QString textOrEmpty() {
        if (peek() == '"')
            return string();
        skipValue(0);
        return QString();
    }

    QList<FieldDef> fields() {
        if (peek() != '[')
            fail(QStringLiteral("pacote sem a lista \"fields\""));
        ++p_;
        QList<FieldDef> fields;
        QSet<QString> seen;
        forEachItem(']', "lista sem fim", [&] { fields.append(field(fields.size() + 1, seen)); });
        return fields;
    }

    FieldDef field(qsizetype ordinal, QSet<QString>& seen) {
        if (peek() != '{') {
            skipValue(0); // a malformed text is reported before a wrong value
            fail(QStringLiteral("campo %1 não é um objeto").arg(ordinal));
        }
        ++p_;
        FieldDef def;
        QString type;
        bool haveName = false, haveType = false, haveSize = false;
        bool sizeWrong = false;
        forEachKey([&](QByteArrayView key) {
            if (key == "name") {
                noRepeat(haveName);
                def.name = textOrEmpty();
            } else if (key == "type") {
                noRepeat(haveType);
                type = textOrEmpty();
            } else if (key == "size") {
                noRepeat(haveSize);
                double size = 0;
                if (literal("null"))
                    return;
                if (!number(size)) {
                    skipValue(0);
                    sizeWrong = true;
                } else if (size < 0 || size != std::floor(size) || size > 1e6) {
                    sizeWrong = true;
                } else {
                    def.size = static_cast<int>(size);
                }
            } else {
                skipValue(0);
            }
        });
        if (def.name.isEmpty())
            fail(QStringLiteral("campo %1 sem nome").arg(ordinal));
        const QString upper = def.name.toUpper();
        if (seen.contains(upper))
            fail(QStringLiteral("campo %1 repetido").arg(def.name));
        seen.insert(upper);
        const auto fieldType = fieldTypeNamed(type);
        if (!fieldType)
            fail(QStringLiteral("campo %1: tipo desconhecido \"%2\"").arg(def.name, type));
        def.type = *fieldType;
        if (sizeWrong)
            fail(QStringLiteral("campo %1: tamanho inválido").arg(def.name));
        return def;
    }

    void readChanges(ChangePacket& packet) {
        if (peek() != '[')
            fail(QStringLiteral("pacote sem a lista \"changes\""));
        ++p_;
        forEachItem(']', "lista sem fim", [&] {
            packet.changes.append(change(packet.fields, packet.changes.size() + 1));
        });
    }

    // A row that may turn out not to be needed (the "old" of an insert): its faults are kept
    // and raised only if it is.
    struct Side {
        bool present = false;
        bool list = false;
        Row row;       // one value per value met, null after the first fault
        QString fault; // the first value that does not fit its field
    };

    Change change(const QList<FieldDef>& fields, qsizetype ordinal) {
        if (peek() != '{') {
            skipValue(0);
            fail(QStringLiteral("alteração %1 não é um objeto").arg(ordinal));
        }
        ++p_;
        QString type;
        bool haveType = false;
        Side oldSide, newSide;
        forEachKey([&](QByteArrayView key) {
            if (key == "type") {
                noRepeat(haveType);
                type = textOrEmpty();
            } else if (key == "old") {
                noRepeat(oldSide.present);
                readSide(fields, oldSide);
            } else if (key == "new") {
                noRepeat(newSide.present);
                readSide(fields, newSide);
            } else {
                skipValue(0);
            }
        });
        const auto kind = changeKindNamed(type);
        if (!kind)
            fail(QStringLiteral("alteração %1: tipo desconhecido \"%2\"").arg(ordinal).arg(type));
        Change change;
        change.kind = *kind;
        if (change.kind != ChangeKind::Insert)
            change.oldRow = take(oldSide, fields, ordinal, "old");
        if (change.kind != ChangeKind::Delete)
            change.newRow = take(newSide, fields, ordinal, "new");
        return change;
    }

    static Row take(Side& side, const QList<FieldDef>& fields, qsizetype number, const char* name) {
        if (!side.list)
            fail(where(number, name) + QStringLiteral(" não é uma lista de valores"));
        if (side.row.size() != fields.size())
            fail(QStringLiteral("%1 tem %2 valores para %3 campos")
                     .arg(where(number, name))
                     .arg(side.row.size())
                     .arg(fields.size()));
        if (!side.fault.isNull())
            fail(where(number, name) + side.fault);
        return std::move(side.row);
    }

    // Reads the values of a row; the first value that does not fit its field is noted in
    // side.fault and the values after it only counted.
    void readSide(const QList<FieldDef>& fields, Side& side) {
        if (peek() != '[') {
            skipValue(0);
            return;
        }
        ++p_;
        side.list = true;
        side.row.reserve(fields.size());
        forEachItem(']', "lista sem fim", [&] {
            const qsizetype i = side.row.size();
            if (!side.fault.isNull() || i >= fields.size()) {
                skipValue(1);
                side.row.append(QVariant()); // counted for the message
            } else if (!value(fields.at(i), side.row)) {
                skipValue(1);
                side.fault =
                    QStringLiteral(": valor inválido para o campo %1").arg(fields.at(i).name);
                side.row.append(QVariant());
            }
        });
    }

    // Appends the value for the field; false, reading nothing, when the next token does not fit.
    bool value(const FieldDef& field, Row& row) {
        if (literal("null")) {
            row.append(QVariant());
            return true;
        }
        switch (field.type) {
        case FieldType::String:
            if (peek() != '"')
                return false;
            row.append(string());
            return true;
        case FieldType::Date: {
            if (peek() != '"')
                return false;
            const char* start = p_;
            const QString text = string();
            const QDate date = QDate::fromString(text, Qt::ISODate);
            if (!date.isValid() || text.size() != 10) {
                p_ = start;
                return false;
            }
            row.append(date);
            return true;
        }
        case FieldType::Float: {
            double d = 0;
            if (!number(d))
                return false;
            row.append(d);
            return true;
        }
        case FieldType::Integer: {
            const char* start = p_;
            double d = 0;
            if (!number(d))
                return false;
            if (d != std::floor(d) || std::fabs(d) > 9.0e15) {
                p_ = start;
                return false;
            }
            row.append(QVariant::fromValue<qlonglong>(static_cast<qlonglong>(d)));
            return true;
        }
        case FieldType::Boolean:
            if (literal("true"))
                row.append(true);
            else if (literal("false"))
                row.append(false);
            else
                return false;
            return true;
        }
        return false;
    }
};

} // namespace

ChangePacket changePacketFromJsonText(QByteArrayView json) {
    Reader reader(json);
    ChangePacket packet = reader.packetOrNull();
    reader.nothingAfter();
    return packet;
}

QList<ChangePacket> changePacketsFromJsonText(QByteArrayView json) {
    Reader reader(json);
    QList<ChangePacket> packets = reader.packetList();
    reader.nothingAfter();
    return packets;
}

} // namespace dataset
