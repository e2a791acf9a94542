// Reads a data packet straight from its JSON text: one pass, no intermediate JSON document,
// values converted to their field types as they are met. A value equal to the one above it
// in the same column shares its text (implicit sharing), which saves an allocation for the
// many repeated values of a listing (branch, unit, supplier...).

#include <dataset/DataPacket.h>
#include <dataset/JsonTextReader.h>
#include <dataset/PacketNames.h>

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cmath>

namespace dataset {
namespace {

constexpr JsonTextWording kWording{"", "pacote aninhado demais", "pacote malformado: falta ':'",
                                   "pacote malformado: lista ou objeto sem fim", false};

class Reader : private JsonTextReader {
public:
    Reader(QByteArrayView text, qsizetype rowCapacity)
        : JsonTextReader(text, kWording), rowCapacity_(rowCapacity) {}

    DataPacket packet() {
        DataPacket packet;
        bool haveFields = false;
        bool haveRows = false;
        skipBlanks();
        expect('{', "o pacote de dados não é um objeto");
        skipBlanks();
        if (peek() == '}')
            fail(QStringLiteral("pacote sem a lista \"fields\""));
        for (;;) {
            skipBlanks();
            bool escaped = false;
            const QByteArrayView rawKey = rawString(escaped);
            const QString decodedKey = escaped ? decode(rawKey, true) : QString();
            const auto keyIs = [&](const char* name) {
                return escaped ? decodedKey == QLatin1String(name) : rawKey == QByteArrayView(name);
            };
            skipBlanks();
            expect(':', "pacote malformado: falta ':'");
            skipBlanks();
            if (keyIs("fields")) {
                if (haveFields)
                    fail(QStringLiteral("pacote com \"fields\" repetido"));
                const char* start = p_;
                skipValue(0);
                packet.fields = fieldsFrom(QByteArrayView(start, p_ - start));
                haveFields = true;
            } else if (keyIs("rows")) {
                if (haveRows)
                    fail(QStringLiteral("pacote com \"rows\" repetido"));
                if (!haveFields)
                    return fallback(); // rows before fields: read the slow way
                rows(packet);
                haveRows = true;
            } else {
                skipValue(0);
            }
            skipBlanks();
            if (peek() == ',') {
                ++p_;
                continue;
            }
            expect('}', "pacote malformado: falta '}'");
            break;
        }
        skipBlanks();
        if (!atEnd())
            fail(QStringLiteral("texto após o fim do pacote"));
        if (!haveFields)
            fail(QStringLiteral("pacote sem a lista \"fields\""));
        if (!haveRows)
            fail(QStringLiteral("pacote sem a lista \"rows\""));
        return packet;
    }

private:
    // The field list, already checked to be well-formed JSON. The usual list (objects with a
    // name, a known type and maybe a size) is read here; anything else goes through the JSON
    // decoder, which also words the refusals.
    static QList<FieldDef> fieldsFrom(QByteArrayView json) {
        QList<FieldDef> fields;
        try {
            if (Reader(json, 0).plainFields(fields))
                return fields;
        } catch (const PacketError&) {
        }
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(
            QByteArray("[") + QByteArray(json.data(), json.size()) + "]", &error);
        if (error.error != QJsonParseError::NoError)
            fail(QStringLiteral("pacote malformado: %1").arg(error.errorString()));
        return fieldDefsFromJson(doc.array().at(0));
    }

    bool plainFields(QList<FieldDef>& fields) {
        skipBlanks();
        expect('[', "");
        skipBlanks();
        if (peek() == ']')
            return true;
        QList<QString> seen;
        for (;;) {
            skipBlanks();
            if (peek() != '{')
                return false;
            ++p_;
            FieldDef def;
            bool haveName = false;
            bool haveSize = false;
            QByteArrayView type;
            skipBlanks();
            while (peek() != '}') {
                bool escaped = false;
                const QByteArrayView key = rawString(escaped);
                skipBlanks();
                expect(':', "");
                skipBlanks();
                if (escaped)
                    return false;
                if (key == QByteArrayView("name")) {
                    if (haveName || peek() != '"')
                        return false;
                    const QByteArrayView raw = rawString(escaped);
                    def.name = decode(raw, escaped);
                    haveName = true;
                } else if (key == QByteArrayView("type")) {
                    if (!type.isNull() || peek() != '"')
                        return false;
                    type = rawString(escaped);
                    if (escaped)
                        return false;
                } else if (key == QByteArrayView("size")) {
                    if (haveSize)
                        return false;
                    haveSize = true;
                    double size = 0;
                    if (!literal("null")) {
                        if (!number(size) || size < 0 || size != std::floor(size) || size > 1e6)
                            return false;
                        def.size = static_cast<int>(size);
                    }
                } else {
                    skipValue(0);
                }
                skipBlanks();
                if (peek() == ',') {
                    ++p_;
                    skipBlanks();
                    if (peek() == '}')
                        return false;
                }
            }
            ++p_;
            if (def.name.isEmpty() || type.isNull())
                return false;
            const auto fieldType = fieldTypeNamed(QAnyStringView(type.data(), type.size()));
            if (!fieldType)
                return false;
            def.type = *fieldType;
            QString upper = def.name.toUpper();
            if (seen.contains(upper))
                return false;
            seen.append(std::move(upper));
            fields.append(std::move(def));
            skipBlanks();
            if (peek() == ',') {
                ++p_;
                continue;
            }
            return peek() == ']';
        }
    }

    DataPacket fallback() {
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(whole().toByteArray(), &error);
        if (error.error != QJsonParseError::NoError)
            fail(QStringLiteral("pacote malformado: %1").arg(error.errorString()));
        return dataPacketFromJson(doc.object());
    }

    [[noreturn]] void wrongValue(qsizetype row, const FieldDef& field) {
        fail(QStringLiteral("linha %1: valor inválido para o campo %2").arg(row).arg(field.name));
    }

    void rows(DataPacket& packet) {
        const QList<FieldDef>& fields = packet.fields;
        const qsizetype columns = fields.size();
        std::vector<QByteArrayView> lastRaw(static_cast<size_t>(columns));
        std::vector<QVariant> lastValue(static_cast<size_t>(columns));
        expect('[', "pacote sem a lista \"rows\"");
        qsizetype r = 0;
        forEachItem(']', "lista \"rows\" sem fim", [&] {
            ++r;
            if (peek() != '[')
                fail(QStringLiteral("linha %1 não é uma lista de valores").arg(r));
            ++p_;
            Row row;
            row.reserve(std::max(columns, rowCapacity_));
            forEachItem(']', "linha malformada: falta ']'", [&] {
                if (row.size() >= columns)
                    fail(QStringLiteral("linha %1 tem mais valores que os %2 campos")
                             .arg(r)
                             .arg(columns));
                const size_t k = static_cast<size_t>(row.size());
                row.append(value(r, fields.at(row.size()), lastRaw[k], lastValue[k]));
            });
            if (row.size() != columns)
                fail(QStringLiteral("linha %1 tem %2 valores para %3 campos")
                         .arg(r)
                         .arg(row.size())
                         .arg(columns));
            packet.rows.append(std::move(row));
        });
    }

    QVariant value(qsizetype row, const FieldDef& field, QByteArrayView& lastRaw,
                   QVariant& lastValue) {
        if (literal("null"))
            return {};
        switch (field.type) {
        case FieldType::String:
        case FieldType::Date: {
            if (peek() != '"')
                wrongValue(row, field);
            bool escaped = false;
            const QByteArrayView raw = rawString(escaped);
            if (lastValue.isValid() && raw == lastRaw)
                return lastValue; // same text as the row above: shared
            QVariant v;
            if (field.type == FieldType::String) {
                v = decode(raw, escaped);
            } else {
                const QDate date = raw.size() == 10 && !escaped
                                       ? QDate::fromString(QString::fromLatin1(raw), Qt::ISODate)
                                       : QDate();
                if (!date.isValid())
                    wrongValue(row, field);
                v = date;
            }
            lastRaw = raw;
            lastValue = v;
            return v;
        }
        case FieldType::Float: {
            double d = 0;
            if (!number(d))
                wrongValue(row, field);
            return d;
        }
        case FieldType::Integer: {
            double d = 0;
            if (!number(d) || d != std::floor(d) || std::fabs(d) > 9.0e15)
                wrongValue(row, field);
            return QVariant::fromValue<qlonglong>(static_cast<qlonglong>(d));
        }
        case FieldType::Boolean:
            if (literal("true"))
                return true;
            if (literal("false"))
                return false;
            wrongValue(row, field);
        }
        wrongValue(row, field);
    }

    qsizetype rowCapacity_;
};

} // namespace

DataPacket dataPacketFromJsonText(QByteArrayView json, qsizetype rowCapacity) {
    Reader reader(json, rowCapacity);
    return reader.packet();
}

} // namespace dataset
