#include <host/remote/CheckResultServ.h>

#include <host/core/Exceptions.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cstring>

namespace Consiste {

QJsonValue CheckResultServ(const QJsonValue& result, bool raiseMessages, int index) {
    const QJsonObject object = result.toObject();
    const QJsonArray data = object.value(QStringLiteral("data")).toArray();
    if (raiseMessages) {
        QStringList texts;
        for (const QJsonValue& message : object.value(QStringLiteral("messages")).toArray())
            texts << (message.isString()
                          ? message.toString()
                          : message.toObject().value(QStringLiteral("message")).toString());
        if (!texts.isEmpty())
            throw host::EHostError(texts.join(QLatin1Char('\n')));
    }
    if (!result.isObject() || index < 0 || index >= data.size())
        throw host::EHostError(
            QStringLiteral("Resposta do servidor de aplicação sem os dados esperados."));
    return data.at(index);
}

namespace {

[[noreturn]] void withoutData() {
    throw host::EHostError(
        QStringLiteral("Resposta do servidor de aplicação sem os dados esperados."));
}

// Follows the outline of an answer's JSON text: strings, brackets and the tokens between
// them, without reading what the values hold. Any break in the outline raises.
class Outline {
public:
    explicit Outline(QByteArrayView text) : text_(text) {}

    bool atEnd() {
        skipBlanks();
        return pos_ >= text_.size();
    }
    char peek() {
        skipBlanks();
        return pos_ < text_.size() ? text_[pos_] : '\0';
    }
    void expect(char c) {
        if (peek() != c)
            withoutData();
        ++pos_;
    }
    bool take(char c) {
        if (peek() != c)
            return false;
        ++pos_;
        return true;
    }
    // The text of the next value (string, number, literal, object or array).
    QByteArrayView value() {
        skipBlanks();
        const qsizetype start = pos_;
        qsizetype depth = 0;
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '"') {
                skipString();
            } else if (c == '[' || c == '{') {
                ++depth;
                ++pos_;
            } else if (c == ']' || c == '}') {
                if (depth == 0)
                    break;
                --depth;
                ++pos_;
            } else if (depth == 0 && (c == ',' || c == ':' || isBlank(c))) {
                break;
            } else {
                ++pos_;
            }
            if (depth == 0 && (c == '"' || c == ']' || c == '}'))
                break;
        }
        if (depth != 0 || pos_ == start)
            withoutData();
        return text_.sliced(start, pos_ - start);
    }

private:
    static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
    void skipBlanks() {
        while (pos_ < text_.size() && isBlank(text_[pos_]))
            ++pos_;
    }
    // To the quote that ends the string, found by memchr (a long list is mostly strings): a
    // quote ends it unless an odd run of backslashes escapes it.
    void skipString() {
        const char* const begin = text_.data();
        const char* const opening = begin + pos_ + 1;
        const char* from = opening;
        for (;;) {
            const auto* quote = static_cast<const char*>(
                std::memchr(from, '"', static_cast<size_t>(begin + text_.size() - from)));
            if (!quote)
                withoutData();
            const char* run = quote;
            while (run > opening && run[-1] == '\\')
                --run;
            if ((quote - run) % 2 == 0) {
                pos_ = quote + 1 - begin;
                return;
            }
            from = quote + 1;
        }
    }

    QByteArrayView text_;
    qsizetype pos_ = 0;
};

} // namespace

QByteArray CheckResultServText(QByteArrayView result, bool raiseMessages, int index,
                               QString* mark) {
    if (mark)
        mark->clear();
    Outline outline(result);
    QByteArrayView messages;
    QByteArrayView wanted;
    outline.expect('{');
    if (!outline.take('}')) {
        do {
            const QByteArrayView key = outline.value();
            outline.expect(':');
            if (key == QByteArrayView("\"messages\"")) {
                messages = outline.value();
            } else if (key == QByteArrayView("\"data\"")) {
                wanted = {};
                if (outline.take('[') && !outline.take(']')) {
                    int at = 0;
                    do {
                        const QByteArrayView item = outline.value();
                        if (at++ == index)
                            wanted = item;
                    } while (outline.take(','));
                    outline.expect(']');
                } else if (outline.peek() != ',' && outline.peek() != '}') {
                    outline.value(); // not a list: no data
                }
            } else if (mark && key == QByteArrayView("\"marca\"")) {
                const QByteArrayView text = outline.value();
                if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
                    *mark = QString::fromLatin1(text.sliced(1, text.size() - 2));
            } else {
                outline.value();
            }
        } while (outline.take(','));
        outline.expect('}');
    }
    if (!outline.atEnd())
        withoutData();
    if (raiseMessages && !messages.isNull()) {
        // The messages are few and short: the JSON check reads them.
        const QJsonDocument doc =
            QJsonDocument::fromJson(QByteArray("{\"messages\":") + messages.toByteArray() + "}");
        if (!doc.isObject())
            withoutData();
        CheckResultServ(QJsonObject{{QStringLiteral("messages"), doc.object().value("messages")},
                                    {QStringLiteral("data"), QJsonArray{QJsonValue()}}},
                        true, 0);
    }
    if (index < 0 || wanted.isNull())
        withoutData();
    return wanted.toByteArray();
}

} // namespace Consiste
