#pragma once
// The JSON tokens of a packet's text, read where they stand, for the one-pass packet readers
// (internal to the dataset library). It checks what the JSON grammar asks: strings with their
// escapes, numbers, literals, nesting; a fault throws PacketError.

#include <dataset/DataPacket.h>
#include <dataset/JsonBytes.h>

#include <QByteArrayView>
#include <QString>

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

namespace dataset {

// How a reader words its faults; the data packet reader keeps its own words, which clients
// already show.
struct JsonTextWording {
    const char* prefix;  // before the text of a fault met at a position
    const char* tooDeep; // values nested beyond the limit
    const char* noColon; // an object's key without ':'
    const char* unended; // a list or object without its end
    // Strings must be UTF-8; a fault in a string, or a value nested too deep, is placed at its
    // token (the data packet reader places the latter before the blanks ahead of it).
    bool strict;
};

class JsonTextReader {
public:
    JsonTextReader(QByteArrayView text, const JsonTextWording& wording)
        : p_(text.data()), begin_(text.data()), end_(text.data() + text.size()), wording_(wording) {
    }

protected:
    static constexpr int kMaxDepth = 64;

    [[noreturn]] static void fail(const QString& what);
    // The wording's prefix, `what` and the position reached.
    [[noreturn]] void failAt(const char* what) const;

    QByteArrayView whole() const { return {begin_, end_ - begin_}; }
    bool atEnd() const { return p_ == end_; }
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

    // Reads the items of the list or object whose opening was just read, up to `close`;
    // onItem reads one item, called with the reader on its first token.
    template <class OnItem> void forEachItem(char close, const char* unended, OnItem&& onItem) {
        skipBlanks();
        if (peek() == close) {
            ++p_;
            return;
        }
        for (;;) {
            skipBlanks();
            onItem();
            skipBlanks();
            if (peek() == ',') {
                ++p_;
                continue;
            }
            expect(close, unended);
            return;
        }
    }

    // The raw bytes of a string token between its quotes; `escaped` tells whether it needs
    // decoding, `wide` whether it holds bytes beyond ASCII. Leaves the reader after the
    // closing quote.
    QByteArrayView rawString(bool& escaped, bool& wide) {
        if (peek() != '"')
            failAt("texto esperado");
        const char* const start = p_ + 1;
        const char* q = start;
        escaped = false;
        wide = false;
        for (;;) {
            while (end_ - q >= 8 && plainEight(eightBytes(q)))
                q += 8;
            while (q < end_ && kPlain[static_cast<unsigned char>(*q)])
                ++q;
            if (q >= end_)
                break;
            const unsigned char c = static_cast<unsigned char>(*q);
            if (c == '"') {
                p_ = q + 1;
                const QByteArrayView raw(start, q - start);
                if (wide && wording_.strict)
                    checkUtf8(raw);
                return raw;
            }
            if (c == '\\') {
                escaped = true;
                if (end_ - q < 2)
                    break;
                q += 2;
                continue;
            }
            if (c < 0x20) {
                p_ = q;
                failAt("caractere de controle em um texto");
            }
            wide = true;
            ++q;
        }
        p_ = q;
        failInString("texto sem aspas finais");
    }
    QByteArrayView rawString(bool& escaped) {
        bool wide = false;
        return rawString(escaped, wide);
    }

    // The text of a string token's raw bytes (from rawString).
    QString decode(QByteArrayView raw, bool escaped, bool wide = true) const {
        if (escaped)
            return unescape(raw);
        return wide ? QString::fromUtf8(raw) : QString::fromLatin1(raw);
    }
    QString string() {
        bool escaped = false;
        const QByteArrayView raw = rawString(escaped);
        return decode(raw, escaped);
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
            q = digits(q);
        if (q < end_ && *q == '.') {
            ++q;
            if (q >= end_ || *q < '0' || *q > '9')
                failAt("número malformado");
            q = digits(q);
        }
        if (q < end_ && (*q == 'e' || *q == 'E')) {
            ++q;
            if (q < end_ && (*q == '+' || *q == '-'))
                ++q;
            if (q >= end_ || *q < '0' || *q > '9')
                failAt("número malformado");
            q = digits(q);
        }
        const auto result = std::from_chars(p_, q, value);
        if (result.ec != std::errc() || result.ptr != q || !std::isfinite(value))
            failAt("número fora do alcance");
        p_ = q;
        return true;
    }

    // Passes over one value, at `depth` levels of nesting.
    void skipValue(int depth);

    const char* p_;

private:
    // Bytes a string token holds as they are: not a quote, a backslash, a control character
    // or a byte beyond ASCII.
    static constexpr std::array<bool, 256> kPlain = [] {
        std::array<bool, 256> plain{};
        for (int c = 0x20; c < 0x80; ++c)
            plain[c] = c != '"' && c != '\\';
        return plain;
    }();

    const char* digits(const char* q) const {
        while (q < end_ && *q >= '0' && *q <= '9')
            ++q;
        return q;
    }
    [[noreturn]] void failInString(const char* what) const;
    void checkUtf8(QByteArrayView raw) const;
    QString unescape(QByteArrayView raw) const;
    char32_t hex4(QByteArrayView raw, qsizetype at) const;

    const char* begin_;
    const char* end_;
    const JsonTextWording& wording_;
};

} // namespace dataset
