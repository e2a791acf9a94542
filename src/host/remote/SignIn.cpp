#include <host/remote/SignIn.h>

#include <host/core/Exceptions.h>
#include <host/remote/NetCallWorker.h>
#include <host/remote/Netconnection.h>

#include <QJsonDocument>
#include <QJsonObject>

namespace host {
namespace {

constexpr int kTimeoutSeconds = 30;

std::unique_ptr<httplib::Client> client(const QString& host, int port) {
    return detail::makeClient(host.toStdString(), port, kTimeoutSeconds,
                              TNetConnection::TlsCaFile().toStdString());
}

} // namespace

SignedIn SignIn(const QString& host, int port, const QString& user, const QString& password) {
    const QByteArray body = QJsonDocument(QJsonObject{{QStringLiteral("usuario"), user},
                                                      {QStringLiteral("senha"), password}})
                                .toJson(QJsonDocument::Compact);
    httplib::Result res = client(host, port)
                              ->Post("/auth/login", body.constData(),
                                     static_cast<size_t>(body.size()), "application/json");
    if (!res)
        throw EHostError(
            QStringLiteral("Não foi possível conectar ao servidor de aplicação em %1:%2.")
                .arg(host)
                .arg(port));
    const QJsonObject answer =
        QJsonDocument::fromJson(QByteArray::fromStdString(res->body)).object();
    if (res->status != 200) {
        const QString message = answer.value(QStringLiteral("error"))
                                    .toObject()
                                    .value(QStringLiteral("message"))
                                    .toString();
        throw EHostError(
            message.isEmpty()
                ? QStringLiteral("O servidor de aplicação recusou a entrada (HTTP %1).")
                      .arg(res->status)
                : message);
    }
    return {answer.value(QStringLiteral("token")).toString(),
            answer.value(QStringLiteral("usuario")).toString(),
            answer.value(QStringLiteral("papel")).toString(),
            QDateTime::fromString(answer.value(QStringLiteral("expira")).toString(), Qt::ISODate)};
}

void SignOut(const QString& host, int port) {
    const QString token = TNetConnection::AccessToken();
    if (token.isEmpty())
        return;
    httplib::Headers headers{{"Authorization", "Bearer " + token.toStdString()}};
    client(host, port)->Post("/auth/logout", headers, "{}", 2, "application/json");
}

} // namespace host
