// Writes a data packet straight to JSON text, the same JSON that dataPacketToJson gives once
// serialised, without building a JSON document first: a long list is sent for the price of
// its text.

#include <dataset/DataPacket.h>
#include <dataset/DataPacketTextWriter.h>
#include <dataset/JsonBytes.h>

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace dataset {
namespace {

// 0: a byte written as it is; 1: a byte the JSON document escapes; 2: the lead of a UTF-8
// sequence, checked before it is copied.
constexpr std::array<unsigned char, 256> kClass = [] {
    std::array<unsigned char, 256> t{};
    for (int c = 0; c < 0x20; ++c)
        t[c] = 1;
    t['"'] = t['\\'] = 1;
    for (int c = 0x80; c < 0x100; ++c)
        t[c] = 2;
    return t;
}();

char hexDigit(unsigned v) {
    return static_cast<char>(v < 10 ? '0' + v : 'a' + v - 10);
}

// The escape the JSON document writes for a character below 0x20, a quote or a backslash.
char* escape(char* out, char16_t c) {
    *out++ = '\\';
    switch (c) {
    case '"':
    case '\\':
        *out++ = static_cast<char>(c);
        break;
    case '\b':
        *out++ = 'b';
        break;
    case '\f':
        *out++ = 'f';
        break;
    case '\n':
        *out++ = 'n';
        break;
    case '\r':
        *out++ = 'r';
        break;
    case '\t':
        *out++ = 't';
        break;
    default:
        *out++ = 'u';
        for (int shift = 12; shift >= 0; shift -= 4)
            *out++ = hexDigit((c >> shift) & 0xf);
    }
    return out;
}

// The length of the well-formed UTF-8 sequence at p (RFC 3629); 0 when there is none.
int sequenceLength(const unsigned char* p, const unsigned char* end) {
    const auto follows = [&](int i, unsigned char low = 0x80, unsigned char high = 0xBF) {
        return p + i < end && p[i] >= low && p[i] <= high;
    };
    const unsigned char c = p[0];
    if (c >= 0xC2 && c <= 0xDF)
        return follows(1) ? 2 : 0;
    if (c == 0xE0)
        return follows(1, 0xA0) && follows(2) ? 3 : 0;
    if (c == 0xED) // not a surrogate
        return follows(1, 0x80, 0x9F) && follows(2) ? 3 : 0;
    if (c >= 0xE1 && c <= 0xEF)
        return follows(1) && follows(2) ? 3 : 0;
    if (c == 0xF0)
        return follows(1, 0x90) && follows(2) && follows(3) ? 4 : 0;
    if (c >= 0xF1 && c <= 0xF3)
        return follows(1) && follows(2) && follows(3) ? 4 : 0;
    if (c == 0xF4)
        return follows(1, 0x80, 0x8F) && follows(2) && follows(3) ? 4 : 0;
    return 0;
}

} // namespace

DataPacketTextWriter::DataPacketTextWriter(const QList<FieldDef>& fields, qsizetype rows,
                                           qsizetype rowBytes) {
    out_.resize(fields.size() * 48 + rows * rowBytes + 64);
    append("{\"fields\":");
    fieldList(fields);
    append(",\"rows\":[");
}

DataPacketTextWriter::DataPacketTextWriter(Unframed, qsizetype bytes) {
    out_.resize(bytes);
}

// The JSON document writes an object's keys in order: name, size, type.
void DataPacketTextWriter::fieldList(const QList<FieldDef>& fields) {
    append("[");
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const FieldDef& def = fields.at(i);
        append(i == 0 ? QByteArrayView("{\"name\":") : QByteArrayView(",{\"name\":"));
        escaped(def.name);
        if (def.type == FieldType::String) {
            append(",\"size\":");
            firstInRow_ = true;
            number(def.size);
        }
        append(",\"type\":\"");
        append(fieldTypeName(def.type).toLatin1());
        append("\"}");
    }
    append("]");
}

void DataPacketTextWriter::row(const Row& values, const QList<FieldDef>& fields) {
    append("[");
    firstInRow_ = true;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        static const QVariant none;
        const QVariant& value = i < values.size() ? values.at(i) : none;
        if (!value.isValid() || value.isNull()) {
            null();
            continue;
        }
        switch (fields.at(i).type) {
        case FieldType::String:
            if (value.typeId() == QMetaType::QString)
                text(QStringView(*static_cast<const QString*>(value.constData())));
            else
                text(value.toString());
            break;
        case FieldType::Float:
            number(value.toDouble());
            break;
        case FieldType::Integer:
            number(static_cast<double>(value.toLongLong()));
            break;
        case FieldType::Date:
            text(value.toDate().toString(Qt::ISODate));
            break;
        case FieldType::Boolean:
            boolean(value.toBool());
            break;
        }
    }
    append("]");
}

void DataPacketTextWriter::grow(qsizetype bytes) {
    out_.resize(std::max(out_.size() * 2, used_ + bytes + 4096));
}

void DataPacketTextWriter::beginRow() {
    append(firstRow_ ? "[" : ",[");
    firstRow_ = false;
    firstInRow_ = true;
}

void DataPacketTextWriter::endRow() {
    append("]");
}

void DataPacketTextWriter::null() {
    separator();
    append("null");
}

void DataPacketTextWriter::boolean(bool value) {
    separator();
    append(value ? QByteArrayView("true") : QByteArrayView("false"));
}

void DataPacketTextWriter::number(double value) {
    separator();
    // As the JSON document writes a double: a whole number that a double holds exactly as an
    // integer, anything else in its shortest form, in fixed notation when its exponent is
    // small (as here, std::to_chars's shortest fixed form) and scientific beyond.
    char* const at = room(64);
    const double magnitude = std::fabs(value);
    if (!std::isfinite(value)) {
        append("null");
    } else if (value == std::trunc(value) && magnitude <= 9007199254740992.0) {
        used_ += std::to_chars(at, at + 64, static_cast<qint64>(value)).ptr - at;
    } else if (magnitude >= 1e-3 && magnitude < 1e9) {
        used_ += std::to_chars(at, at + 64, value, std::chars_format::fixed).ptr - at;
    } else {
        append(QByteArray::number(value, 'g', QLocale::FloatingPointShortest));
    }
}

void DataPacketTextWriter::text(QByteArrayView utf8) {
    separator();
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* const end = p + utf8.size();
    char* const start = room(utf8.size() * 6 + 2);
    char* out = start;
    *out++ = '"';
    while (p < end) {
        // Eight plain bytes at a time, the usual text.
        if (end - p >= 8 && plainEight(eightBytes(p))) {
            std::memcpy(out, p, 8);
            out += 8;
            p += 8;
            continue;
        }
        switch (kClass[*p]) {
        case 0:
            *out++ = static_cast<char>(*p++);
            break;
        case 1:
            out = escape(out, *p++);
            break;
        default:
            if (const int n = sequenceLength(p, end)) {
                out = std::copy(p, p + n, out);
                p += n;
                break;
            }
            // Not UTF-8: the text as Qt reads it, its faults replaced.
            escaped(QString::fromUtf8(utf8));
            return;
        }
    }
    *out++ = '"';
    used_ += out - start;
}

void DataPacketTextWriter::text(QStringView text) {
    separator();
    escaped(text);
}

// The quoted text written from UTF-16, as the JSON document writes it: UTF-8, a lone
// surrogate escaped.
void DataPacketTextWriter::escaped(QStringView text) {
    char* const start = room(text.size() * 6 + 2);
    char* out = start;
    *out++ = '"';
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u < 0x80) {
            if (kClass[u])
                out = escape(out, u);
            else
                *out++ = static_cast<char>(u);
        } else if (u < 0x800) {
            *out++ = static_cast<char>(0xC0 | (u >> 6));
            *out++ = static_cast<char>(0x80 | (u & 0x3F));
        } else if (QChar::isHighSurrogate(u) && i + 1 < text.size() &&
                   QChar::isLowSurrogate(text[i + 1].unicode())) {
            const char32_t c = QChar::surrogateToUcs4(u, text[++i].unicode());
            *out++ = static_cast<char>(0xF0 | (c >> 18));
            *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (QChar::isSurrogate(u)) {
            *out++ = '\\';
            *out++ = 'u';
            for (int shift = 12; shift >= 0; shift -= 4)
                *out++ = hexDigit((u >> shift) & 0xf);
        } else {
            *out++ = static_cast<char>(0xE0 | (u >> 12));
            *out++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    *out++ = '"';
    used_ += out - start;
}

QByteArray DataPacketTextWriter::finish() {
    append("]}");
    return take();
}

QByteArray DataPacketTextWriter::take() {
    out_.truncate(used_);
    return std::move(out_);
}

QByteArray dataPacketToJsonText(const DataPacket& packet) {
    DataPacketTextWriter out(packet.fields, packet.rows.size(), packet.fields.size() * 12);
    bool first = true;
    for (const Row& row : packet.rows) {
        if (!first)
            out.raw(",");
        first = false;
        out.row(row, packet.fields);
    }
    return out.finish();
}

// The JSON document writes each change's keys in order: new, old, type; and the packet's:
// changes, fields.
QByteArray changePacketToJsonText(const ChangePacket& packet) {
    if (packet.changes.isEmpty())
        return QByteArrayLiteral("null");
    DataPacketTextWriter out(DataPacketTextWriter::Unframed{},
                             packet.changes.size() * (packet.fields.size() * 24 + 32) +
                                 packet.fields.size() * 48 + 64);
    out.raw("{\"changes\":[");
    bool first = true;
    for (const Change& change : packet.changes) {
        out.raw(first ? QByteArrayView("{") : QByteArrayView(",{"));
        first = false;
        switch (change.kind) {
        case ChangeKind::Insert:
            out.raw("\"new\":");
            out.row(change.newRow, packet.fields);
            out.raw(",\"type\":\"insert\"}");
            break;
        case ChangeKind::Modify:
            out.raw("\"new\":");
            out.row(change.newRow, packet.fields);
            out.raw(",\"old\":");
            out.row(change.oldRow, packet.fields);
            out.raw(",\"type\":\"modify\"}");
            break;
        case ChangeKind::Delete:
            out.raw("\"old\":");
            out.row(change.oldRow, packet.fields);
            out.raw(",\"type\":\"delete\"}");
            break;
        }
    }
    out.raw("],\"fields\":");
    out.fieldList(packet.fields);
    out.raw("}");
    return out.take();
}

} // namespace dataset
