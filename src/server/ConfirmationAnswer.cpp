#include <server/ConfirmationAnswer.h>

#include <server/Packets.h>

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>

namespace server {
namespace {

QByteArray compact(const QJsonValue& answer) {
    return QJsonDocument(answer.toArray()).toJson(QJsonDocument::Compact);
}

// Text that JSON writes as it is, between quotes.
bool plain(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() >= 0x20 && c.unicode() < 0x7f && c != QLatin1Char('"') &&
               c != QLatin1Char('\\');
    });
}

} // namespace

QJsonValue confirmationAnswer(const QList<ErrorRow>& errors, const QString& number) {
    dataset::DataPacket packet;
    packet.fields = {text("CDOBJETO", 20), text("CDERRO", 20), text("DSERRO", 100)};
    for (const ErrorRow& row : errors)
        packet.rows.append({row.object, row.code, row.text});
    return QJsonArray{dataset::dataPacketToJson(packet), number};
}

QByteArray confirmationAnswerText(const QList<ErrorRow>& errors, const QString& number) {
    if (!errors.isEmpty() || !plain(number))
        return compact(confirmationAnswer(errors, number));
    // [{"fields":[...],"rows":[]},"   up to the number's text
    static const QByteArray head = compact(confirmationAnswer({}, QString())).chopped(2);
    QByteArray text;
    text.reserve(head.size() + number.size() + 2);
    text += head;
    text += number.toLatin1();
    text += "\"]";
    return text;
}

} // namespace server
