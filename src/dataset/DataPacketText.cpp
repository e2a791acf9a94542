// Reads a data packet straight from its JSON text: one pass, no intermediate JSON document,
// values converted to their field types as they are met. A value equal to the one above it
// in the same column shares its text (implicit sharing), which saves an allocation for the
// many repeated values of a listing (branch, unit, supplier...).

#include "DataPacket.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace dataset {
namespace {

constexpr int kMaxDepth = 64;
// The names of FieldType's values, in order, as packets write them.
constexpr const char* kTypeNames[] = {"string", "float", "integer", "date", "boolean"};

class Reader {
public:
    Reader(QByteArrayView text, qsizetype rowCapacity)
        : p_(text.data()), end_(text.data() + text.size()), whole_(text),
          rowCapacity_(rowCapacity) {}

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
        if (p_ != end_)
            fail(QStringLiteral("texto após o fim do pacote"));
        if (!haveFields)
            fail(QStringLiteral("pacote sem a lista \"fields\""));
        if (!haveRows)
            fail(QStringLiteral("pacote sem a lista \"rows\""));
        return packet;
    }

private:
    [[noreturn]] static void fail(const QString& what) { throw PacketError(what.toStdString()); }
    [[noreturn]] void failAt(const char* what) {
        fail(
            QStringLiteral("%1 (posição %2)").arg(QString::fromUtf8(what)).arg(p_ - whole_.data()));
    }

    char peek() const { return p_ < end_ ? *p_ : '\0'; }
    void expect(char c, const char* what) {
        if (peek() != c)
            failAt(what);
        ++p_;
    }
    void skipBlanks() {
        while (p_ < end_ && (*p_ == ' ' || *p_ == '\n' || *p_ == '\r' || *p_ == '\t'))
            ++p_;
    }
    bool literal(const char* word) {
        const size_t n = std::strlen(word);
        if (static_cast<size_t>(end_ - p_) >= n && std::memcmp(p_, word, n) == 0) {
            p_ += n;
            return true;
        }
        return false;
    }

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
            int typeIndex = 0;
            while (typeIndex < 5 &&
                   type != QByteArrayView(kTypeNames[static_cast<size_t>(typeIndex)]))
                ++typeIndex;
            if (typeIndex == 5)
                return false;
            def.type = static_cast<FieldType>(typeIndex);
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
        const QJsonDocument doc = QJsonDocument::fromJson(whole_.toByteArray(), &error);
        if (error.error != QJsonParseError::NoError)
            fail(QStringLiteral("pacote malformado: %1").arg(error.errorString()));
        return dataPacketFromJson(doc.object());
    }

    // Raw bytes of a string token, between its quotes; `escaped` tells whether it needs
    // decoding. Leaves p_ after the closing quote.
    QByteArrayView rawString(bool& escaped) {
        if (peek() != '"')
            failAt("texto esperado");
        const char* start = ++p_;
        escaped = false;
        while (p_ < end_) {
            const unsigned char c = static_cast<unsigned char>(*p_);
            if (c == '"') {
                const QByteArrayView raw(start, p_ - start);
                ++p_;
                return raw;
            }
            if (c == '\\') {
                escaped = true;
                if (end_ - p_ < 2)
                    break;
                p_ += 2;
                continue;
            }
            if (c < 0x20)
                failAt("caractere de controle em um texto");
            ++p_;
        }
        fail(QStringLiteral("texto sem aspas finais"));
    }

    QString decode(QByteArrayView raw, bool escaped) {
        if (!escaped)
            return QString::fromUtf8(raw);
        QByteArray out;
        out.reserve(raw.size());
        for (qsizetype i = 0; i < raw.size(); ++i) {
            const char c = raw[i];
            if (c != '\\') {
                out += c;
                continue;
            }
            if (++i >= raw.size())
                fail(QStringLiteral("escape incompleto em um texto"));
            switch (raw[i]) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case '/':
                out += '/';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                char32_t code = hex4(raw, i + 1);
                i += 4;
                if (code >= 0xD800 && code <= 0xDBFF) {
                    if (i + 6 >= raw.size() || raw[i + 1] != '\\' || raw[i + 2] != 'u')
                        fail(QStringLiteral("par substituto incompleto em um texto"));
                    const char32_t low = hex4(raw, i + 3);
                    if (low < 0xDC00 || low > 0xDFFF)
                        fail(QStringLiteral("par substituto inválido em um texto"));
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    i += 6;
                } else if (code >= 0xDC00 && code <= 0xDFFF) {
                    fail(QStringLiteral("par substituto inválido em um texto"));
                }
                out += QString::fromUcs4(&code, 1).toUtf8();
                break;
            }
            default:
                fail(QStringLiteral("escape inválido em um texto"));
            }
        }
        return QString::fromUtf8(out);
    }

    static char32_t hex4(QByteArrayView raw, qsizetype at) {
        if (at + 4 > raw.size())
            fail(QStringLiteral("escape \\u incompleto em um texto"));
        char32_t v = 0;
        for (qsizetype k = at; k < at + 4; ++k) {
            const char c = raw[k];
            v <<= 4;
            if (c >= '0' && c <= '9')
                v |= static_cast<char32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                v |= static_cast<char32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                v |= static_cast<char32_t>(c - 'A' + 10);
            else
                fail(QStringLiteral("escape \\u inválido em um texto"));
        }
        return v;
    }

    QString string() {
        bool escaped = false;
        const QByteArrayView raw = rawString(escaped);
        return decode(raw, escaped);
    }

    // A JSON number token; false when the next token is not a number.
    bool number(double& value) {
        const char* start = p_;
        const char* q = p_;
        if (q < end_ && *q == '-')
            ++q;
        if (q >= end_ || *q < '0' || *q > '9')
            return false;
        if (*q == '0')
            ++q;
        else
            while (q < end_ && *q >= '0' && *q <= '9')
                ++q;
        if (q < end_ && *q == '.') {
            ++q;
            if (q >= end_ || *q < '0' || *q > '9')
                failAt("número malformado");
            while (q < end_ && *q >= '0' && *q <= '9')
                ++q;
        }
        if (q < end_ && (*q == 'e' || *q == 'E')) {
            ++q;
            if (q < end_ && (*q == '+' || *q == '-'))
                ++q;
            if (q >= end_ || *q < '0' || *q > '9')
                failAt("número malformado");
            while (q < end_ && *q >= '0' && *q <= '9')
                ++q;
        }
        const auto result = std::from_chars(start, q, value);
        if (result.ec != std::errc() || result.ptr != q || !std::isfinite(value))
            failAt("número fora do alcance");
        p_ = q;
        return true;
    }

    void skipValue(int depth) {
        if (depth > kMaxDepth)
            failAt("pacote aninhado demais");
        skipBlanks();
        const char c = peek();
        if (c == '"') {
            bool escaped = false;
            rawString(escaped);
        } else if (c == '{' || c == '[') {
            const char close = c == '{' ? '}' : ']';
            ++p_;
            skipBlanks();
            if (peek() == close) {
                ++p_;
                return;
            }
            for (;;) {
                if (c == '{') {
                    skipBlanks();
                    bool escaped = false;
                    rawString(escaped);
                    skipBlanks();
                    expect(':', "pacote malformado: falta ':'");
                }
                skipValue(depth + 1);
                skipBlanks();
                if (peek() == ',') {
                    ++p_;
                    continue;
                }
                expect(close, "pacote malformado: lista ou objeto sem fim");
                return;
            }
        } else if (!(literal("true") || literal("false") || literal("null"))) {
            double ignored;
            if (!number(ignored))
                failAt("valor JSON inválido");
        }
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
        skipBlanks();
        if (peek() == ']') {
            ++p_;
            return;
        }
        for (qsizetype r = 1;; ++r) {
            skipBlanks();
            if (peek() != '[')
                fail(QStringLiteral("linha %1 não é uma lista de valores").arg(r));
            ++p_;
            Row row;
            row.reserve(std::max(columns, rowCapacity_));
            skipBlanks();
            if (peek() == ']') {
                ++p_;
            } else {
                for (;;) {
                    skipBlanks();
                    if (row.size() >= columns)
                        fail(QStringLiteral("linha %1 tem mais valores que os %2 campos")
                                 .arg(r)
                                 .arg(columns));
                    const size_t k = static_cast<size_t>(row.size());
                    row.append(value(r, fields.at(row.size()), lastRaw[k], lastValue[k]));
                    skipBlanks();
                    if (peek() == ',') {
                        ++p_;
                        continue;
                    }
                    expect(']', "linha malformada: falta ']'");
                    break;
                }
            }
            if (row.size() != columns)
                fail(QStringLiteral("linha %1 tem %2 valores para %3 campos")
                         .arg(r)
                         .arg(row.size())
                         .arg(columns));
            packet.rows.append(std::move(row));
            skipBlanks();
            if (peek() == ',') {
                ++p_;
                continue;
            }
            expect(']', "lista \"rows\" sem fim");
            return;
        }
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

    const char* p_;
    const char* end_;
    QByteArrayView whole_;
    qsizetype rowCapacity_;
};

} // namespace

DataPacket dataPacketFromJsonText(QByteArrayView json, qsizetype rowCapacity) {
    Reader reader(json, rowCapacity);
    return reader.packet();
}

} // namespace dataset
