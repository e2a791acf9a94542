// Reads change packets straight from their JSON text: one pass over the values, no
// intermediate JSON document. It reads only well-formed JSON, and reads it as the JSON-value
// decoder does; it is stricter in one point: a key repeated in an object is refused.

#include "DataPacket.h"

#include <QDate>
#include <QSet>
#include <QStringDecoder>

#include <charconv>
#include <cmath>
#include <cstring>

namespace dataset {
namespace {

constexpr int kMaxDepth = 64;

const char* const kTypeNames[] = {"string", "float", "integer", "date", "boolean"};

[[noreturn]] void fail(const QString& what) {
    throw PacketError(what.toStdString());
}

// Where a row is, for messages: "alteração 2 (old)".
QString where(qsizetype change, const char* side) {
    return QStringLiteral("alteração %1 (%2)").arg(change).arg(QLatin1String(side));
}

class Reader {
public:
    explicit Reader(QByteArrayView text)
        : p_(text.data()), begin_(text.data()), end_(p_ + text.size()) {}

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
        skipBlanks();
        if (peek() == ']') {
            ++p_;
            return packets;
        }
        for (;;) {
            packets.append(packetOrNull());
            skipBlanks();
            if (peek() == ',') {
                ++p_;
                continue;
            }
            expect(']', "lista de pacotes sem fim");
            return packets;
        }
    }

    void atEnd() {
        skipBlanks();
        if (p_ != end_)
            failAt("texto após o fim do pacote");
    }

private:
    [[noreturn]] void failAt(const char* what) const {
        fail(QStringLiteral("pacote malformado: %1 (posição %2)")
                 .arg(QString::fromUtf8(what))
                 .arg(p_ - begin_));
    }
    void noRepeat(bool& seen) const {
        if (seen)
            failAt("chave repetida");
        seen = true;
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

    // Calls onKey with the reader on each value of the object whose '{' was just read; onKey
    // must read the value.
    template <class OnKey> void forEachKey(OnKey&& onKey) {
        skipBlanks();
        if (peek() == '}') {
            ++p_;
            return;
        }
        for (;;) {
            skipBlanks();
            bool escaped = false;
            const QByteArrayView raw = rawString(escaped);
            const QByteArray decoded = escaped ? unescape(raw).toUtf8() : QByteArray();
            skipBlanks();
            expect(':', "falta ':'");
            skipBlanks();
            onKey(escaped ? QByteArrayView(decoded) : raw);
            skipBlanks();
            if (peek() == ',') {
                ++p_;
                continue;
            }
            expect('}', "objeto sem fim");
            return;
        }
    }

    // The raw bytes of a string token between its quotes, checked to be UTF-8; `escaped` tells
    // whether it needs decoding. Leaves the reader after the closing quote.
    QByteArrayView rawString(bool& escaped) {
        if (peek() != '"')
            failAt("texto esperado");
        const char* start = ++p_;
        escaped = false;
        bool wide = false;
        while (p_ < end_) {
            const unsigned char c = static_cast<unsigned char>(*p_);
            if (c == '"') {
                const QByteArrayView raw(start, p_ - start);
                ++p_;
                if (wide)
                    checkUtf8(raw);
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
            wide |= c >= 0x80;
            ++p_;
        }
        failAt("texto sem aspas finais");
    }

    void checkUtf8(QByteArrayView raw) const {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString ignored = decoder(raw);
        if (decoder.hasError())
            failAt("texto fora de UTF-8");
    }

    QString string() {
        bool escaped = false;
        const QByteArrayView raw = rawString(escaped);
        return escaped ? unescape(raw) : QString::fromUtf8(raw);
    }

    QString unescape(QByteArrayView raw) const {
        QString out;
        out.reserve(raw.size());
        qsizetype plain = 0; // start of the run of bytes without escapes
        for (qsizetype i = 0; i < raw.size(); ++i) {
            if (raw[i] != '\\')
                continue;
            out += QString::fromUtf8(raw.sliced(plain, i - plain));
            const char c = raw[++i]; // rawString saw a byte after every backslash
            switch (c) {
            case '"':
            case '\\':
            case '/':
                out += QLatin1Char(c);
                break;
            case 'b':
                out += QLatin1Char('\b');
                break;
            case 'f':
                out += QLatin1Char('\f');
                break;
            case 'n':
                out += QLatin1Char('\n');
                break;
            case 'r':
                out += QLatin1Char('\r');
                break;
            case 't':
                out += QLatin1Char('\t');
                break;
            case 'u': {
                const char16_t unit = hex4(raw, i + 1);
                i += 4;
                if (QChar::isLowSurrogate(unit))
                    failAt("par substituto inválido em um texto");
                out += QChar(unit);
                if (QChar::isHighSurrogate(unit)) {
                    if (i + 6 >= raw.size() || raw[i + 1] != '\\' || raw[i + 2] != 'u')
                        failAt("par substituto incompleto em um texto");
                    const char16_t low = hex4(raw, i + 3);
                    if (!QChar::isLowSurrogate(low))
                        failAt("par substituto inválido em um texto");
                    out += QChar(low);
                    i += 6;
                }
                break;
            }
            default:
                failAt("escape inválido em um texto");
            }
            plain = i + 1;
        }
        out += QString::fromUtf8(raw.sliced(plain));
        return out;
    }

    char16_t hex4(QByteArrayView raw, qsizetype at) const {
        if (at + 4 > raw.size())
            failAt("escape \\u incompleto em um texto");
        char16_t v = 0;
        for (qsizetype k = at; k < at + 4; ++k) {
            const char c = raw[k];
            v = static_cast<char16_t>(v << 4);
            if (c >= '0' && c <= '9')
                v |= static_cast<char16_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                v |= static_cast<char16_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                v |= static_cast<char16_t>(c - 'A' + 10);
            else
                failAt("escape \\u inválido em um texto");
        }
        return v;
    }

    // A JSON number token; false, reading nothing, when the next token is not a number.
    bool number(double& value) {
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
        const auto result = std::from_chars(p_, q, value);
        if (result.ec != std::errc() || result.ptr != q || !std::isfinite(value))
            failAt("número fora do alcance");
        p_ = q;
        return true;
    }

    void skipValue(int depth) {
        if (depth > kMaxDepth)
            failAt("aninhado demais");
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
                skipBlanks();
                if (c == '{') {
                    bool escaped = false;
                    rawString(escaped);
                    skipBlanks();
                    expect(':', "falta ':'");
                    skipBlanks();
                }
                skipValue(depth + 1);
                skipBlanks();
                if (peek() == ',') {
                    ++p_;
                    continue;
                }
                expect(close, "lista ou objeto sem fim");
                return;
            }
        } else if (!(literal("true") || literal("false") || literal("null"))) {
            double ignored;
            if (!number(ignored))
                failAt("valor JSON inválido");
        }
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
        skipBlanks();
        if (peek() == ']') {
            ++p_;
            return fields;
        }
        for (;;) {
            skipBlanks();
            fields.append(field(fields.size() + 1, seen));
            skipBlanks();
            if (peek() == ',') {
                ++p_;
                continue;
            }
            expect(']', "lista sem fim");
            return fields;
        }
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
        int t = 0;
        while (t < 5 && type != QLatin1String(kTypeNames[t]))
            ++t;
        if (t == 5)
            fail(QStringLiteral("campo %1: tipo desconhecido \"%2\"").arg(def.name, type));
        def.type = static_cast<FieldType>(t);
        if (sizeWrong)
            fail(QStringLiteral("campo %1: tamanho inválido").arg(def.name));
        return def;
    }

    void readChanges(ChangePacket& packet) {
        if (peek() != '[')
            fail(QStringLiteral("pacote sem a lista \"changes\""));
        ++p_;
        skipBlanks();
        if (peek() == ']') {
            ++p_;
            return;
        }
        for (;;) {
            skipBlanks();
            packet.changes.append(change(packet.fields, packet.changes.size() + 1));
            skipBlanks();
            if (peek() == ',') {
                ++p_;
                continue;
            }
            expect(']', "lista sem fim");
            return;
        }
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
        Change change;
        if (type == QLatin1String("insert"))
            change.kind = ChangeKind::Insert;
        else if (type == QLatin1String("modify"))
            change.kind = ChangeKind::Modify;
        else if (type == QLatin1String("delete"))
            change.kind = ChangeKind::Delete;
        else
            fail(QStringLiteral("alteração %1: tipo desconhecido \"%2\"").arg(ordinal).arg(type));
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
        skipBlanks();
        if (peek() == ']') {
            ++p_;
            return;
        }
        for (;;) {
            skipBlanks();
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
            skipBlanks();
            if (peek() == ',') {
                ++p_;
                continue;
            }
            expect(']', "lista sem fim");
            return;
        }
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

    const char* p_;
    const char* begin_;
    const char* end_;
};

} // namespace

ChangePacket changePacketFromJsonText(QByteArrayView json) {
    Reader reader(json);
    ChangePacket packet = reader.packetOrNull();
    reader.atEnd();
    return packet;
}

QList<ChangePacket> changePacketsFromJsonText(QByteArrayView json) {
    Reader reader(json);
    QList<ChangePacket> packets = reader.packetList();
    reader.atEnd();
    return packets;
}

} // namespace dataset
