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

std::string TNetConnection::post(const QString& method, const QJsonArray& args) {
    if (!client_)
        SetConnected(true);
    httplib::Headers headers;
    const QString token = AccessToken();
    if (!token.isEmpty())
        headers.emplace("Authorization", "Bearer " + token.toStdString());
    const std::string path = "/rpc/" + ServerName.toStdString() + "/" + method.toStdString();
    const QByteArray body = QJsonDocument(args).toJson(QJsonDocument::Compact);
    httplib::Result res = client_->Post(path, headers, body.constData(),
                                        static_cast<size_t>(body.size()), "application/json");
    if (!res)
        throw host::EHostError(
            QStringLiteral("Não foi possível comunicar com o servidor de aplicação em %1:%2 (%3).")
                .arg(host_)
                .arg(Port)
                .arg(QString::fromStdString(httplib::to_string(res.error()))));
    if (res->status != 200)
        throw host::EHostError(serverMessage(res));
    return std::move(res->body);
}

void TNetConnection::invalidAnswer(const QString& method) const {
    throw host::EHostError(QStringLiteral("Resposta inválida do servidor de aplicação (%1.%2).")
                               .arg(ServerName, method));
}

QJsonValue TNetConnection::Call(const QString& method, const QJsonArray& args) {
    QJsonParseError error;
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray::fromStdString(post(method, args)), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject() ||
        !doc.object().contains(QStringLiteral("result")))
        invalidAnswer(method);
    return doc.object().value(QStringLiteral("result"));
}

QByteArray TNetConnection::CallText(const QString& method, const QJsonArray& args) {
    const std::string body = post(method, args);
    // The server answers {"result": <value>} and nothing else: the value is what lies between
    // the colon after the one key and the closing brace.
    const std::string_view text(body);
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    size_t pos = 0;
    const auto skipSpace = [&] {
        while (pos < text.size() && isSpace(text[pos]))
            ++pos;
    };
    const auto take = [&](std::string_view expected) {
        skipSpace();
        if (text.substr(pos, expected.size()) != expected)
            return false;
        pos += expected.size();
        return true;
    };
    size_t end = text.size();
    while (end > 0 && isSpace(text[end - 1]))
        --end;
    if (!take("{") || !take("\"result\"") || !take(":") || end == 0 || text[end - 1] != '}')
        invalidAnswer(method);
    skipSpace();
    const qsizetype length = static_cast<qsizetype>(end - 1) - static_cast<qsizetype>(pos);
    if (length <= 0)
        invalidAnswer(method);
    return QByteArray(text.data() + pos, length).trimmed();
}

void TNetConnection::SetAccessToken(const QString& token) {
    QMutexLocker lock(&tokenMutex);
    accessToken = token;
}

QString TNetConnection::AccessToken() {
    QMutexLocker lock(&tokenMutex);
    return accessToken;
}
