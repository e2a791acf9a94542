// Reads a data packet straight from its JSON text: one pass, no intermediate JSON document,
// values converted to their field types as they are met. A text met before in the same
// column shares its string (implicit sharing), which saves an allocation and its memory for
// the many repeated values of a listing (branch, product, unit, supplier...).

#include <dataset/DataPacket.h>
#include <dataset/JsonTextReader.h>
#include <dataset/PacketNames.h>

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace dataset {
namespace {

constexpr JsonTextWording kWording{"", "pacote aninhado demais", "pacote malformado: falta ':'",
                                   "pacote malformado: lista ou objeto sem fim", false};

// The texts of one column met so far, by their raw bytes, so that a text written again (the
// product, branch or supplier of many rows) shares the string read first instead of
// allocating its own. A small table of recent texts: a column whose texts are all different
// (numbers, descriptions) soon stops being looked up.
class SeenTexts {
public:
    const QVariant* find(QByteArrayView raw) {
        if (!on_)
            return last_.value.isValid() && same(raw, last_.raw) ? &last_.value : nullptr;
        Entry& e = table_[slot(raw)];
        if (e.value.isValid() && same(raw, e.raw)) {
            ++hits_;
            return &e.value;
        }
        return nullptr;
    }
    void keep(QByteArrayView raw, const QVariant& value) {
        last_ = {raw, value};
        if (!on_)
            return;
        table_[slot(raw)] = last_;
        // Looked up a while and rarely found: the column's texts are all different.
        if (++misses_ == kTrial && hits_ < kTrial / 4) {
            on_ = false;
            table_ = {};
        }
    }

private:
    static constexpr size_t kSlots = 256;
    static constexpr int kTrial = 512;
    struct Entry {
        QByteArrayView raw;
        QVariant value;
    };
    static bool same(QByteArrayView a, QByteArrayView b) {
        return a.size() == b.size() &&
               std::memcmp(a.data(), b.data(), static_cast<size_t>(a.size())) == 0;
    }
    // From the length and the first and last bytes: enough to tell texts apart, cheap to take.
    static size_t slot(QByteArrayView raw) {
        quint64 head = 0;
        quint64 tail = 0;
        const size_t n = static_cast<size_t>(raw.size());
        std::memcpy(&head, raw.data(), std::min<size_t>(n, 8));
        if (n > 8)
            std::memcpy(&tail, raw.data() + n - std::min<size_t>(n - 8, 8),
                        std::min<size_t>(n - 8, 8));
        const quint64 h = (head * 0x9E3779B97F4A7C15ULL) ^ (tail * 0xC2B2AE3D27D4EB4FULL) ^ n;
        return static_cast<size_t>(h >> 56) % kSlots;
    }

    std::vector<Entry> table_ = std::vector<Entry>(kSlots);
    Entry last_;
    bool on_ = true;
    int hits_ = 0;
    int misses_ = 0;
};

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
        std::vector<SeenTexts> seen(static_cast<size_t>(columns));
        expect('[', "pacote sem a lista \"rows\"");
        qsizetype r = 0;
        forEachItem(']', "lista \"rows\" sem fim", [&] {
            ++r;
            if (peek() != '[')
                fail(QStringLiteral("linha %1 não é uma lista de valores").arg(r));
            ++p_;
            Row row;
            row.reserve(std::max(columns, rowCapacity_));
            row.resize(columns);
            QVariant* const cells = row.data();
            qsizetype k = 0;
            forEachItem(']', "linha malformada: falta ']'", [&] {
                if (k >= columns)
                    fail(QStringLiteral("linha %1 tem mais valores que os %2 campos")
                             .arg(r)
                             .arg(columns));
                cells[k] = value(r, fields.at(k), seen[static_cast<size_t>(k)]);
                ++k;
            });
            if (k != columns)
                fail(QStringLiteral("linha %1 tem %2 valores para %3 campos")
                         .arg(r)
                         .arg(k)
                         .arg(columns));
            packet.rows.append(std::move(row));
        });
    }

    QVariant value(qsizetype row, const FieldDef& field, SeenTexts& seen) {
        if (literal("null"))
            return {};
        switch (field.type) {
        case FieldType::String:
        case FieldType::Date: {
            if (peek() != '"')
                wrongValue(row, field);
            bool escaped = false;
            bool wide = false;
            const QByteArrayView raw = rawString(escaped, wide);
            if (const QVariant* same = seen.find(raw))
                return *same; // the same text met before: shared
            QVariant v;
            if (field.type == FieldType::String) {
                v = decode(raw, escaped, wide);
            } else {
                const QDate date = raw.size() == 10 && !escaped
                                       ? QDate::fromString(QString::fromLatin1(raw), Qt::ISODate)
                                       : QDate();
                if (!date.isValid())
                    wrongValue(row, field);
                v = date;
            }
            seen.keep(raw, v);
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
