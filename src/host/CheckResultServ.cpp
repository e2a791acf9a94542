#include "CheckResultServ.h"

#include "Exceptions.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

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

} // namespace Consiste
