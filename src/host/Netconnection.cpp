#include "Netconnection.h"

#include "Exceptions.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>

#include <httplib.h>

namespace {

QMutex tokenMutex;
QString accessToken;

QString serverMessage(const httplib::Result& res) {
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(res->body));
    const QString message = doc.object()
                                .value(QStringLiteral("error"))
                                .toObject()
                                .value(QStringLiteral("message"))
                                .toString();
    if (!message.isEmpty())
        return message;
    return QStringLiteral("O servidor de aplicação respondeu com o erro HTTP %1.").arg(res->status);
}

} // namespace

TNetConnection::TNetConnection(QObject* parent) : QObject(parent) {}

TNetConnection::~TNetConnection() = default;

void TNetConnection::SetHost(const QString& host) {
    host_ = host;
}

void TNetConnection::SetConnected(bool connected) {
    if (!connected) {
        client_.reset();
        return;
    }
    if (client_)
        return;
    if (BeforeConnect)
        BeforeConnect(this);
    auto client = std::make_unique<httplib::Client>(host_.toStdString(), Port);
    // Without TCP_NODELAY a keep-alive call waits for the peer's delayed ACK.
    client->set_tcp_nodelay(true);
    client->set_keep_alive(true);
    client->set_connection_timeout(5);
    client->set_read_timeout(Timeout);
    client->set_write_timeout(Timeout);
    client_ = std::move(client);
}

QJsonValue TNetConnection::Call(const QString& method, const QJsonArray& args) {
    if (!client_)
        SetConnected(true);
    httplib::Headers headers;
    const QString token = AccessToken();
    if (!token.isEmpty())
        headers.emplace("Authorization", "Bearer " + token.toStdString());
    const std::string path = "/rpc/" + ServerName.toStdString() + "/" + method.toStdString();
    const QByteArray body = QJsonDocument(args).toJson(QJsonDocument::Compact);
    const httplib::Result res = client_->Post(path, headers, body.constData(),
                                              static_cast<size_t>(body.size()), "application/json");
    if (!res)
        throw host::EHostError(
            QStringLiteral("Não foi possível comunicar com o servidor de aplicação em %1:%2 (%3).")
                .arg(host_)
                .arg(Port)
                .arg(QString::fromStdString(httplib::to_string(res.error()))));
    if (res->status != 200)
        throw host::EHostError(serverMessage(res));
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(res->body), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject() ||
        !doc.object().contains(QStringLiteral("result")))
        throw host::EHostError(QStringLiteral("Resposta inválida do servidor de aplicação (%1.%2).")
                                   .arg(ServerName, method));
    return doc.object().value(QStringLiteral("result"));
}

void TNetConnection::SetAccessToken(const QString& token) {
    QMutexLocker lock(&tokenMutex);
    accessToken = token;
}

QString TNetConnection::AccessToken() {
    QMutexLocker lock(&tokenMutex);
    return accessToken;
}
