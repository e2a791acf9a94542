#include <host/remote/Netconnection.h>

#include <host/core/Exceptions.h>
#include <host/core/LongWait.h>
#include <host/remote/NetCallWorker.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>

#include <utility>

#include <httplib.h>

namespace {

QMutex tokenMutex;
QString accessToken;
QString userName;
QString tlsCaFile;
std::function<bool()> sessionRenewal;

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

// What went wrong before any answer, in the user's words.
QString errorText(httplib::Error error) {
    switch (error) {
    case httplib::Error::Connection:
        return QStringLiteral("conexão recusada ou servidor inalcançável");
    case httplib::Error::ConnectionTimeout:
        return QStringLiteral("tempo de conexão esgotado");
    case httplib::Error::Read:
        return QStringLiteral("a resposta não chegou ou chegou incompleta");
    case httplib::Error::Write:
        return QStringLiteral("o pedido não pôde ser enviado");
    case httplib::Error::Canceled:
        return QStringLiteral("chamada cancelada");
    case httplib::Error::SSLConnection:
    case httplib::Error::SSLLoadingCerts:
    case httplib::Error::SSLServerVerification:
        return QStringLiteral("falha na conexão segura (TLS)");
    default:
        return QStringLiteral("falha de comunicação: %1")
            .arg(QString::fromStdString(httplib::to_string(error)));
    }
}

void addCredentials(httplib::Headers& headers) {
    const QString token = TNetConnection::AccessToken();
    if (!token.isEmpty())
        headers.emplace("Authorization", "Bearer " + token.toStdString());
    const QString user = TNetConnection::UserName();
    if (!user.isEmpty())
        headers.emplace("Est-Usuario", user.toStdString());
}

// True when the server refused the access (the session expired, or ended with a restart of
// the server) and a new session was opened meanwhile.
bool renewedSession(const httplib::Result& res) {
    if (!res || res->status != 401)
        return false;
    std::function<bool()> renew;
    {
        QMutexLocker lock(&tokenMutex);
        renew = sessionRenewal;
    }
    return renew && renew();
}

} // namespace

TNetConnection::TNetConnection(QObject* parent) : QObject(parent) {}

// The workers go first: each aborts a call in flight and joins its thread.
TNetConnection::~TNetConnection() {
    watcher_.reset();
    worker_.reset();
}

void TNetConnection::SetHost(const QString& host) {
    host_ = host;
}

void TNetConnection::SetConnected(bool connected) {
    if (!connected) {
        pending_.reset();
        if (worker_)
            worker_->close();
        if (watcher_)
            watcher_->close();
        client_.reset();
        return;
    }
    if (client_)
        return;
    open();
    try {
        ping();
    } catch (...) {
        client_.reset();
        throw;
    }
}

void TNetConnection::open() {
    if (BeforeConnect)
        BeforeConnect(this);
    client_ =
        host::detail::makeClient(host_.toStdString(), Port, Timeout, TlsCaFile().toStdString());
}

void TNetConnection::ping() {
    const QString address = QStringLiteral("%1:%2").arg(host_).arg(Port);
    httplib::Headers headers;
    addCredentials(headers);
    httplib::Result res =
        client_->Post("/rpc/Sistema.rdmServidor/Ping", headers, "[]", 2, "application/json");
    if (renewedSession(res)) {
        headers.clear();
        addCredentials(headers);
        res = client_->Post("/rpc/Sistema.rdmServidor/Ping", headers, "[]", 2, "application/json");
    }
    if (!res)
        throw host::EHostError(
            QStringLiteral("Não foi possível conectar ao servidor de aplicação em %1 (%2). "
                           "Verifique se ele está no ar e o endereço configurado (--server).")
                .arg(address, errorText(res.error())));
    if (res->status == 401)
        throw host::EHostError(
            QStringLiteral("O servidor de aplicação em %1 recusou o acesso: %2 Verifique o "
                           "token configurado (--token).")
                .arg(address, serverMessage(res)));
    if (res->status != 200)
        throw host::EHostError(
            QStringLiteral("O servidor de aplicação em %1 não respondeu como esperado: %2")
                .arg(address, serverMessage(res)));
}

// Opens the connection when closed and resolves everything a call needs, on this thread.
host::detail::HttpCall TNetConnection::request(const QString& method, const QJsonArray& args) {
    return request(method, QJsonDocument(args).toJson(QJsonDocument::Compact));
}

host::detail::HttpCall TNetConnection::request(const QString& method,
                                               QByteArrayView argumentsJson) {
    if (!client_)
        open();
    host::detail::HttpCall call;
    call.host = host_.toStdString();
    call.port = Port;
    call.timeout = Timeout;
    call.caFile = TlsCaFile().toStdString();
    addCredentials(call.headers);
    if (!requestKey_.isEmpty())
        call.headers.emplace("Idempotency-Key", requestKey_.toStdString());
    call.path = "/rpc/" + ServerName.toStdString() + "/" + method.toStdString();
    call.body.assign(argumentsJson.data(), static_cast<size_t>(argumentsJson.size()));
    return call;
}

std::string TNetConnection::answerBody(httplib::Result& res, const QString& host, int port) {
    if (res.error() == httplib::Error::SSLServerVerification)
        throw host::EHostError(
            QStringLiteral("O certificado do servidor de aplicação em %1:%2 não foi reconhecido.")
                .arg(host)
                .arg(port));
    if (!res) {
        const QString text =
            QStringLiteral("Não foi possível comunicar com o servidor de aplicação em %1:%2 (%3).")
                .arg(host)
                .arg(port)
                .arg(errorText(res.error()));
        if (res.error() == httplib::Error::Read)
            throw host::ENoAnswer(text);
        throw host::EHostError(text);
    }
    if (res->status != 200)
        throw host::EServerError(serverMessage(res), res->status);
    return std::move(res->body);
}

std::string TNetConnection::post(const QString& method, QByteArrayView argumentsJson,
                                 bool besidePending) {
    // The call may change what a split call still pending would answer: that answer is
    // dropped (its receive then calls at once), unless the caller knows this call reads only.
    if (!besidePending)
        pending_.reset();
    // A session that expired while the clerk typed is opened again and the call repeated:
    // the server refused it before reading it, so nothing was stored.
    for (int attempt = 0;; ++attempt) {
        host::detail::HttpCall call = request(method, argumentsJson);
        httplib::Result res = host::LongWait::Armed()
                                  ? watchedPost(std::move(call))
                                  : client_->Post(call.path, call.headers, call.body.data(),
                                                  call.body.size(), "application/json");
        if (attempt == 0 && renewedSession(res))
            continue;
        return answerBody(res, host_, Port);
    }
}

// The call goes on a thread of its own, so that the desktop's thread, waiting, can show that it
// is busy once the wait lasts. Not the split calls' thread: a split call still pending goes on
// with its answer while this call runs.
httplib::Result TNetConnection::watchedPost(host::detail::HttpCall call) {
    if (!watcher_)
        watcher_ = std::make_unique<host::detail::NetCallWorker>();
    watcher_->start(std::move(call));
    if (!watcher_->answeredWithin(host::LongWait::NoticedAfter()))
        host::LongWait::Passed();
    return watcher_->wait();
}

void TNetConnection::invalidAnswer(const QString& method) const {
    throw host::EHostError(QStringLiteral("Resposta inválida do servidor de aplicação (%1.%2).")
                               .arg(ServerName, method));
}

QJsonValue TNetConnection::Call(const QString& method, const QJsonArray& args) {
    return CallJsonText(method, QJsonDocument(args).toJson(QJsonDocument::Compact));
}

QJsonValue TNetConnection::CallJsonText(const QString& method, QByteArrayView argumentsJson) {
    return answerValue(post(method, argumentsJson, false), method);
}

QJsonValue TNetConnection::CallBesidePending(const QString& method, const QJsonArray& args) {
    return answerValue(post(method, QJsonDocument(args).toJson(QJsonDocument::Compact), true),
                       method);
}

QJsonValue TNetConnection::answerValue(const std::string& body, const QString& method) const {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(body), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject() ||
        !doc.object().contains(QStringLiteral("result")))
        invalidAnswer(method);
    return doc.object().value(QStringLiteral("result"));
}

QByteArray TNetConnection::CallText(const QString& method, const QJsonArray& args) {
    return resultText(post(method, QJsonDocument(args).toJson(QJsonDocument::Compact), false),
                      method);
}

QByteArray TNetConnection::resultText(const std::string& body, const QString& method) const {
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

void TNetConnection::SendText(const QString& method, const QJsonArray& args) {
    if (Pending(method, args))
        return; // sent already, and nothing since could have changed its answer
    pending_.reset();
    try {
        host::detail::HttpCall call = request(method, args);
        if (!worker_)
            worker_ = std::make_unique<host::detail::NetCallWorker>();
        worker_->start(std::move(call));
        pending_ = PendingCall{method, args, host_, Port};
    } catch (...) {
        // Opening failed (BeforeConnect raised): nothing is pending, so ReceiveText calls
        // at once and raises the failure where the caller expects it.
    }
}

QByteArray TNetConnection::ReceiveText(const QString& method, const QJsonArray& args) {
    if (!Pending(method, args)) {
        // Another call's answer is dropped; its thread finishes it on its own.
        pending_.reset();
        return CallText(method, args);
    }
    const PendingCall call = std::exchange(pending_, std::nullopt).value();
    httplib::Result res = worker_->wait();
    if (renewedSession(res))
        return CallText(method, args);
    return resultText(answerBody(res, call.host, call.port), method);
}

bool TNetConnection::Pending(const QString& method, const QJsonArray& args) const {
    return pending_ && pending_->method == method && pending_->args == args;
}

void TNetConnection::SetTlsCaFile(const QString& path) {
    QMutexLocker lock(&tokenMutex);
    tlsCaFile = path;
}

QString TNetConnection::TlsCaFile() {
    QMutexLocker lock(&tokenMutex);
    return tlsCaFile;
}

void TNetConnection::SetUserName(const QString& name) {
    QMutexLocker lock(&tokenMutex);
    userName = name;
}

QString TNetConnection::UserName() {
    QMutexLocker lock(&tokenMutex);
    return userName;
}

void TNetConnection::SetSessionRenewal(std::function<bool()> renew) {
    QMutexLocker lock(&tokenMutex);
    sessionRenewal = std::move(renew);
}

void TNetConnection::SetAccessToken(const QString& token) {
    QMutexLocker lock(&tokenMutex);
    accessToken = token;
}

QString TNetConnection::AccessToken() {
    QMutexLocker lock(&tokenMutex);
    return accessToken;
}
