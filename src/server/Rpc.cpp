#include <server/Rpc.h>

#include <server/RpcError.h>

namespace server {

Args::Args(const QJsonArray& values, const QString& method, int expected)
    : values_(values), method_(method) {
    if (values.size() != expected)
        throw badRequest(QStringLiteral("%1 espera %2 argumentos, recebeu %3.")
                             .arg(method)
                             .arg(expected)
                             .arg(values.size()));
}

QString Args::where(int index) const {
    return QStringLiteral("%1: argumento %2").arg(method_).arg(index + 1);
}

QString Args::text(int index) const {
    const QJsonValue value = values_.at(index);
    if (value.isNull())
        return QString();
    if (!value.isString())
        throw badRequest(where(index) + QStringLiteral(" deve ser um texto."));
    return value.toString();
}

QDate Args::date(int index) const {
    const QJsonValue value = values_.at(index);
    const QDate date = QDate::fromString(value.toString(), Qt::ISODate);
    if (!value.isString() || value.toString().size() != 10 || !date.isValid())
        throw badRequest(where(index) + QStringLiteral(" deve ser uma data AAAA-MM-DD."));
    return date;
}

dataset::ChangePacket Args::changes(int index) const {
    try {
        return dataset::changePacketFromJson(values_.at(index));
    } catch (const dataset::PacketError& e) {
        throw badRequest(where(index) + QStringLiteral(": ") + QString::fromStdString(e.what()));
    }
}

void Registry::add(const QString& object, const QString& method, Method handler) {
    objects_[object].insert(method, std::move(handler));
}

const Method* Registry::find(const QString& object, const QString& method) const {
    const auto obj = objects_.constFind(object);
    if (obj == objects_.constEnd())
        return nullptr;
    const auto it = obj->constFind(method);
    return it == obj->constEnd() ? nullptr : &*it;
}

void Registry::addChanges(const QString& object, const QString& method, qsizetype arguments,
                          ChangesCall call) {
    changes_.insert(object + QLatin1Char('.') + method, {arguments, std::move(call)});
}

const ChangesMethod* Registry::findChanges(const QString& object, const QString& method) const {
    const auto it = changes_.constFind(object + QLatin1Char('.') + method);
    return it == changes_.constEnd() ? nullptr : &*it;
}

void Registry::markWrites(const QString& object, const QString& method) {
    writes_.insert(object + QLatin1Char('.') + method);
}

bool Registry::writes(const QString& object, const QString& method) const {
    return writes_.contains(object + QLatin1Char('.') + method);
}

void Registry::addText(const QString& object, const QString& method, TextCall call) {
    texts_.insert(object + QLatin1Char('.') + method, std::move(call));
}

const TextCall* Registry::findText(const QString& object, const QString& method) const {
    const auto it = texts_.constFind(object + QLatin1Char('.') + method);
    return it == texts_.constEnd() ? nullptr : &*it;
}

bool Registry::hasObject(const QString& object) const {
    return objects_.contains(object);
}

} // namespace server
