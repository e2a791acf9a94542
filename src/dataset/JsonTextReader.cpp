#include <dataset/JsonTextReader.h>

#include <QStringDecoder>

namespace dataset {

void JsonTextReader::fail(const QString& what) {
    throw PacketError(what.toStdString());
}

void JsonTextReader::failAt(const char* what) const {
    fail(QStringLiteral("%1%2 (posição %3)")
             .arg(QString::fromUtf8(wording_.prefix), QString::fromUtf8(what))
             .arg(p_ - begin_));
}

void JsonTextReader::failInString(const char* what) const {
    if (wording_.strict)
        failAt(what);
    fail(QString::fromUtf8(what));
}

void JsonTextReader::checkUtf8(QByteArrayView raw) const {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString ignored = decoder(raw);
    if (decoder.hasError())
        failAt("texto fora de UTF-8");
}

// Built as UTF-8 and decoded once: bytes that are not UTF-8 (where the wording lets them
// through) decode as they would without the escapes.
QString JsonTextReader::unescape(QByteArrayView raw) const {
    QByteArray out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c != '\\') {
            out += c;
            continue;
        }
        switch (raw[++i]) { // rawString saw a byte after every backslash
        case '"':
        case '\\':
        case '/':
            out += raw[i];
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
            if (QChar::isHighSurrogate(code)) {
                if (i + 6 >= raw.size() || raw[i + 1] != '\\' || raw[i + 2] != 'u')
                    failInString("par substituto incompleto em um texto");
                const char32_t low = hex4(raw, i + 3);
                if (!QChar::isLowSurrogate(low))
                    failInString("par substituto inválido em um texto");
                code =
                    QChar::surrogateToUcs4(static_cast<char16_t>(code), static_cast<char16_t>(low));
                i += 6;
            } else if (QChar::isLowSurrogate(code)) {
                failInString("par substituto inválido em um texto");
            }
            out += QString::fromUcs4(&code, 1).toUtf8();
            break;
        }
        default:
            failInString("escape inválido em um texto");
        }
    }
    return QString::fromUtf8(out);
}

char32_t JsonTextReader::hex4(QByteArrayView raw, qsizetype at) const {
    if (at + 4 > raw.size())
        failInString("escape \\u incompleto em um texto");
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
            failInString("escape \\u inválido em um texto");
    }
    return v;
}

void JsonTextReader::skipValue(int depth) {
    if (wording_.strict)
        skipBlanks();
    if (depth > kMaxDepth)
        failAt(wording_.tooDeep);
    skipBlanks();
    const char c = peek();
    if (c == '"') {
        bool escaped = false;
        rawString(escaped);
        return;
    }
    if (literal("true") || literal("false") || literal("null"))
        return;
    if (c != '{' && c != '[') {
        double ignored;
        if (!number(ignored))
            failAt("valor JSON inválido");
        return;
    }
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
            expect(':', wording_.noColon);
        }
        skipValue(depth + 1);
        skipBlanks();
        if (peek() != ',')
            break;
        ++p_;
    }
    expect(close, wording_.unended);
}

} // namespace dataset
