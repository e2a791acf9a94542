#include <server/EmbeddedServer.h>

#include <server/Accounts.h>
#include <server/ConfirmationSql.h>
#include <server/Database.h>
#include <server/DemoData.h>
#include <server/FailureAnswers.h>
#include <server/RequestDeadlines.h>
#include <server/Rpc.h>
#include <server/RpcError.h>
#include <server/Schema.h>
#include <server/SchemaVersion.h>
#include <server/UnicodeText.h>

#include <QCryptographicHash>
#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <QSysInfo>
#include <QTimeZone>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>

namespace server {
namespace {

std::atomic<int> nextInstanceId{1};

// The sessions of the worker threads; a worker serves one server only, and its sessions
// close when it ends.
thread_local std::unordered_map<int, std::unique_ptr<Session>> threadSessions;

// The change packets of a call whose arguments are all change packets, read from the text in
// one pass; nullopt for any other text (malformed, another count, anything the one-pass reader
// refuses), which then goes the general way and gets its messages from there.
std::optional<QList<dataset::ChangePacket>> changePackets(QByteArrayView text,
                                                          qsizetype arguments) {
    try {
        QList<dataset::ChangePacket> packets = dataset::changePacketsFromJsonText(text);
        if (packets.size() == arguments)
            return packets;
    } catch (const dataset::PacketError&) {
    }
    return std::nullopt;
}

} // namespace

struct EmbeddedServer::Impl {
    ServerOptions options;
    DatabaseUrl url;
    Registry registry;
    int id = nextInstanceId++;
    std::atomic<unsigned> requestCounter{0};
    std::atomic<qsizetype> mostStatements{0};
    std::mutex logMutex;
    std::unique_ptr<SignIns> signIns;
    std::unique_ptr<WorkerPool> pool;
    std::unique_ptr<HttpServer> http;
    bool running = false;

    std::unique_ptr<RequestDeadlines> deadlines;

    // The worker's connection, opened when missing: never creating the database (the setup
    // did), its waits bounded.
    Session& session() {
        auto& slot = threadSessions[id];
        if (!slot) {
            static std::atomic<int> counter{0};
            auto fresh = std::make_unique<Session>(
                url, QStringLiteral("est-server-%1-%2").arg(id).arg(++counter), options.lockWaitMs,
                false);
            for (const QString& sql : fresh->dialect().sessionLimits(options.lockWaitMs))
                fresh->execDirect(sql);
            slot = std::move(fresh);
        }
        return *slot;
    }

    void dropSession() { threadSessions.erase(id); }

    QString userOfSession() const {
        const auto it = threadSessions.find(id);
        return it != threadSessions.end() && it->second ? it->second->user() : QString();
    }

    int backendPid() const {
        const auto it = threadSessions.find(id);
        return it != threadSessions.end() && it->second ? it->second->backendPid() : 0;
    }

    // A failure the client cannot act on: the answer names only a request number, which the
    // log holds with the details.
    HttpAnswer internalError(const QString& details) {
        const QString request =
            QStringLiteral("%1-%2").arg(id).arg(++requestCounter, 6, 10, QLatin1Char('0'));
        log(QStringLiteral("requisição %1: %2").arg(request, details));
        dropSession(); // the next request starts on a fresh connection
        return errorAnswer(
            500, QStringLiteral("internal"),
            QStringLiteral("Erro interno do servidor de aplicação (requisição %1).").arg(request));
    }

    // SQLite: whatever is written to a file removed or replaced since it was opened is lost
    // with it, so no request is answered from it.
    void checkFile(Session& s, bool afterWork) {
        if (s.fileStillThere())
            return;
        throw DbError("o arquivo do banco " + url.display().toStdString() +
                          " foi removido ou substituído depois de aberto" +
                          (afterWork ? "; o que esta requisição gravou se perdeu com ele" : "") +
                          ": restaure o arquivo ou reinicie o servidor com --init",
                      DbFailure::Unavailable);
    }

    // One try of a request on this thread's connection.
    HttpAnswer attempt(HttpRequest& request, const QString& key, const QString& digest) {
        if (request.object == "auth")
            return request.method == "login" ? login(request.body) : logout(request);
        Session& s = session();
        s.beginRequest(key, digest);
        s.setUser({});
        checkFile(s, false);
        const QString object = QString::fromStdString(request.object);
        const QString method = QString::fromStdString(request.method);
        QString role = kRoleEstoque;
        if (request.credential == Credential::Session) {
            QString user;
            if (signIns->check(request.bearer, &user) != SignIns::State::Valid)
                return errorAnswer(401, QStringLiteral("session_expired"),
                                   QStringLiteral("Sessão expirada. Entre novamente."));
            // Read at every request: a disabled account or a new role counts at once.
            const auto account = findAccount(s, user);
            if (!account || !account->account.active) {
                signIns->closeAll(user);
                return errorAnswer(403, QStringLiteral("account_disabled"),
                                   QStringLiteral("Usuário desativado. Procure o "
                                                  "administrador do sistema."));
            }
            s.setUser(user);
            role = account->account.role;
        } else {
            s.setUser(serviceUser(request.userHeader));
        }
        if (role == kRoleConsulta && registry.writes(object, method))
            return errorAnswer(403, QStringLiteral("forbidden"),
                               QStringLiteral("Usuário sem permissão para gravar amostras."));
        HttpAnswer answer;
        {
            RequestDeadlines::Scope deadline(*deadlines, s);
            try {
                answer = call(object, method, request.body);
            } catch (const DbError& e) {
                if (!deadline.expired())
                    throw;
                throw DbError(std::string("prazo da requisição esgotado: ") + e.what(),
                              e.failure() == DbFailure::OutcomeUnknown ? e.failure()
                                                                       : DbFailure::Unavailable);
            }
        }
        checkFile(s, true);
        s.releaseRetired();
        const qsizetype held = s.statementsHeld();
        qsizetype most = mostStatements.load();
        while (held > most && !mostStatements.compare_exchange_weak(most, held)) {
        }
        return answer;
    }

    // The connection broke during COMMIT, so the request may have been stored. Its key is
    // looked up on a fresh connection: stored, the request answers again what was stored;
    // certainly not stored (the old connection's server process is gone), nothing was.
    // Otherwise the client is told the outcome is unknown and that the same request under the
    // same key is safe to repeat.
    HttpAnswer resolveOutcome(const QString& object, const QString& name, const std::string& body,
                              const QString& key, const QString& digest, int oldPid,
                              const QString& user) {
        if (key.isEmpty())
            return dbFailureAnswer(DbFailure::OutcomeUnknown, false);
        try {
            Session& fresh = session();
            fresh.beginRequest(key, digest);
            fresh.setUser(user);
            RequestDeadlines::Scope deadline(*deadlines, fresh);
            if (confirmation_sql::storedConfirmation(fresh, key)) {
                log(QStringLiteral("chave %1: a gravação foi confirmada pelo banco; respondida "
                                   "outra vez")
                        .arg(key));
                return call(object, name, body);
            }
            if (oldPid > 0 && !confirmation_sql::serverProcessAlive(fresh, oldPid)) {
                log(QStringLiteral("chave %1: nada foi gravado").arg(key));
                return dbFailureAnswer(DbFailure::Unavailable, true);
            }
            log(QStringLiteral("chave %1: ainda sem resultado conhecido").arg(key));
        } catch (const RpcError& e) {
            return errorAnswer(e.status(), e.code(), e.message());
        } catch (const std::exception& e) {
            dropSession();
            log(QStringLiteral("chave %1: não foi possível verificar a gravação: %2")
                    .arg(key, QString::fromStdString(e.what())));
        }
        return dbFailureAnswer(DbFailure::OutcomeUnknown, true);
    }

    // On a worker thread.
    HttpAnswer handle(HttpRequest& request) {
        const std::string& requestBody = request.body;
        const QString object = QString::fromStdString(request.object);
        const QString name = QString::fromStdString(request.method);
        const QString key = QString::fromStdString(request.requestKey);
        const QString digest =
            key.isEmpty()
                ? QString()
                : QString::fromLatin1(QCryptographicHash::hash(QByteArrayView(requestBody),
                                                               QCryptographicHash::Sha256)
                                          .toHex());
        for (int tries = 1;; ++tries) {
            try {
                return attempt(request, key, digest);
            } catch (const RpcError& e) {
                return errorAnswer(e.status(), e.code(), e.message());
            } catch (const DbError& e) {
                const QString details = QStringLiteral("erro no banco de dados: %1")
                                            .arg(QString::fromStdString(e.what()));
                if (e.failure() == DbFailure::Other)
                    return internalError(details);
                const int oldPid = backendPid();
                const QString user = userOfSession();
                if (!e.busy())
                    dropSession(); // the next try starts on a fresh connection
                if (e.failure() == DbFailure::OutcomeUnknown) {
                    log(details);
                    return resolveOutcome(object, name, requestBody, key, digest, oldPid, user);
                }
                // A connection gone stale in the pool (the database restarted meanwhile):
                // nothing of the request ran, so it runs again once on a fresh one.
                if (e.failure() == DbFailure::Unavailable && e.beforeAnyStatement() && tries == 1) {
                    log(details + QStringLiteral("; repetida numa nova conexão"));
                    continue;
                }
                log(details);
                return dbFailureAnswer(e.failure(), !key.isEmpty());
            } catch (const std::exception& e) {
                return internalError(
                    QStringLiteral("erro: %1").arg(QString::fromStdString(e.what())));
            }
        }
    }

    // Who acts under the server's own token: the name the client gave (the embedded default
    // gives the operating system's user), else the server itself.
    static QString serviceUser(const std::string& header) {
        const QString name = QString::fromUtf8(header);
        return invalidAccountName(name).isEmpty() ? accountKey(name) : QStringLiteral("servidor");
    }

    // {"usuario": ..., "senha": ...}: a session token, or one refusal for a wrong name or
    // password alike. The hash is checked even for an unknown name, so that the time taken
    // does not tell which names exist.
    HttpAnswer login(const std::string& body) {
        const QJsonObject fields =
            QJsonDocument::fromJson(QByteArray::fromStdString(body)).object();
        const QJsonValue name = fields.value(QStringLiteral("usuario"));
        const QJsonValue password = fields.value(QStringLiteral("senha"));
        if (!name.isString() || !password.isString())
            return errorAnswer(400, QStringLiteral("bad_request"),
                               QStringLiteral("Informe usuario e senha."));
        const QString key = accountKey(name.toString());
        if (signIns->lockedOut(key))
            return errorAnswer(429, QStringLiteral("too_many_attempts"),
                               QStringLiteral("Muitas tentativas sem sucesso para este usuário. "
                                              "Aguarde um minuto e tente novamente."));
        static const QString nobody = hashPassword(QStringLiteral("ninguém tem esta senha"));
        const auto account = findAccount(session(), key);
        const bool matches = passwordMatches(account ? account->hash : nobody, password.toString());
        if (!account || !matches) {
            signIns->failed(key);
            return errorAnswer(401, QStringLiteral("bad_credentials"),
                               QStringLiteral("Usuário ou senha inválidos."));
        }
        if (!account->account.active)
            return errorAnswer(403, QStringLiteral("account_disabled"),
                               QStringLiteral("Usuário desativado. Procure o administrador do "
                                              "sistema."));
        signIns->succeeded(key);
        const SignIns::Opened opened = signIns->open(key);
        const QDateTime expires = QDateTime::fromMSecsSinceEpoch(
            std::chrono::duration_cast<std::chrono::milliseconds>(opened.expires.time_since_epoch())
                .count(),
            QTimeZone::utc());
        return {200,
                QJsonDocument(
                    QJsonObject{{QStringLiteral("token"), QString::fromStdString(opened.token)},
                                {QStringLiteral("expira"), expires.toString(Qt::ISODate)},
                                {QStringLiteral("usuario"), key},
                                {QStringLiteral("papel"), account->account.role}})
                    .toJson(QJsonDocument::Compact)
                    .toStdString()};
    }

    HttpAnswer logout(const HttpRequest& request) {
        if (request.credential == Credential::Session)
            signIns->close(request.bearer);
        return {200, "{\"result\":true}"};
    }

    HttpAnswer call(const QString& object, const QString& name, const std::string& requestBody) {
        if (!registry.hasObject(object))
            return errorAnswer(404, QStringLiteral("unknown_object"),
                               QStringLiteral("Objeto desconhecido no servidor: %1.").arg(object));
        const Method* method = registry.find(object, name);
        if (!method)
            return errorAnswer(404, QStringLiteral("unknown_method"),
                               QStringLiteral("Método desconhecido: %1.%2.").arg(object, name));
        const QByteArrayView text(requestBody.data(), static_cast<qsizetype>(requestBody.size()));
        if (hasInvalidText(text))
            return errorAnswer(400, QStringLiteral("bad_text"),
                               QStringLiteral("Texto com caractere inválido (Unicode)."));
        const ChangesMethod* changes = registry.findChanges(object, name);
        const std::optional<QList<dataset::ChangePacket>> packets =
            changes ? changePackets(text, changes->arguments) : std::nullopt;
        if (packets)
            return {200, ("{\"result\":" + changes->call(session(), *packets) + '}').toStdString()};
        QJsonParseError parseError;
        const QJsonDocument doc =
            QJsonDocument::fromJson(QByteArray::fromRawData(text.data(), text.size()), &parseError);
        if (parseError.error != QJsonParseError::NoError)
            return errorAnswer(400, QStringLiteral("bad_json"),
                               QStringLiteral("JSON inválido na posição %1: %2.")
                                   .arg(parseError.offset)
                                   .arg(parseError.errorString()));
        if (!doc.isArray())
            return errorAnswer(400, QStringLiteral("bad_request"),
                               QStringLiteral("O corpo deve ser uma lista JSON de argumentos."));
        if (const TextCall* asText = registry.findText(object, name))
            return {200, ("{\"result\":" + (*asText)(session(), doc.array()) + '}').toStdString()};
        const QJsonValue result = (*method)(session(), doc.array());
        return {200, QJsonDocument(QJsonObject{{QStringLiteral("result"), result}})
                         .toJson(QJsonDocument::Compact)
                         .toStdString()};
    }

    void log(const QString& line) {
        const QByteArray text = line.toUtf8();
        std::lock_guard lock(logMutex);
        std::fprintf(stderr, "est-server: %s\n", text.constData());
        std::fflush(stderr);
    }

    HttpConfig httpConfig() const {
        HttpConfig config;
        config.address = options.listen.toStdString();
        config.port = options.port;
        config.token = options.token.toStdString();
        config.sessionCredential = [this](std::string_view bearer) {
            switch (signIns->check(bearer)) {
            case SignIns::State::Valid:
                return Credential::Session;
            case SignIns::State::Expired:
                return Credential::Expired;
            case SignIns::State::Unknown:
                break;
            }
            return Credential::Refused;
        };
        for (const QString& name : options.hostNames + QStringList{QSysInfo::machineHostName()})
            if (!name.isEmpty())
                config.hostNames.push_back(name.toLower().toStdString());
        config.tlsCertFile = options.tlsCertFile.toStdString();
        config.tlsKeyFile = options.tlsKeyFile.toStdString();
        config.ioThreads = options.ioThreads;
        config.limits = options.limits;
        return config;
    }

    void prepareDatabase() {
        // A database file is created only when asked for (--init; demo data alone would fill
        // an empty database where a removed one was), and only where none is.
        Session setup(url, QStringLiteral("est-server-%1-setup").arg(id), options.lockWaitMs,
                      options.init);
        const bool empty = schemaVersion(setup) == 0;
        if (empty && !options.init && options.demoScale <= 0)
            throw std::runtime_error("o banco " + url.display().toStdString() +
                                     " não tem o esquema; inicie com --init para criá-lo");
        if (empty)
            migrateSchema(setup);
        else
            requireCurrentSchema(setup, url.display());
        if (options.init) {
            try {
                grantReadOnlyRole(setup);
            } catch (const DbError& e) {
                throw std::runtime_error(std::string("não foi possível criar o papel de leitura ") +
                                         kReadOnlyRole + ": " + e.what());
            }
        }
        if (options.demoScale > 0 && databaseIsEmpty(setup))
            fillDemoData(setup, options.demoScale);
    }
};

EmbeddedServer::EmbeddedServer(ServerOptions options) : impl_(std::make_unique<Impl>()) {
    impl_->options = std::move(options);
    registerAmostraProc(impl_->registry);
    registerEstoque(impl_->registry);
    // A call that touches nothing: health checks and the baseline of the benchmarks.
    impl_->registry.add(
        QStringLiteral("Sistema.rdmServidor"), QStringLiteral("Ping"),
        [](Session&, const QJsonArray&) -> QJsonValue { return QStringLiteral("pong"); });
}

EmbeddedServer::~EmbeddedServer() {
    stop();
}

int EmbeddedServer::start() {
    if (impl_->running)
        throw std::runtime_error("servidor já iniciado");
    if (impl_->options.token.isEmpty() && !isLoopbackAddress(impl_->options.listen.toStdString()))
        throw std::runtime_error("sem token de acesso o servidor só escuta no endereço local "
                                 "(127.0.0.1 ou ::1)");
    impl_->url = DatabaseUrl::parse(impl_->options.databaseUrl);
    impl_->prepareDatabase();
    impl_->deadlines = std::make_unique<RequestDeadlines>(
        std::chrono::milliseconds(std::max(1000, impl_->options.requestDeadlineMs)));
    impl_->signIns = std::make_unique<SignIns>(impl_->options.sessionLife, impl_->options.clock);
    impl_->pool =
        std::make_unique<WorkerPool>(std::max(1, impl_->options.threads),
                                     static_cast<size_t>(std::max(1, impl_->options.queueLimit)));
    impl_->http = std::make_unique<HttpServer>(
        impl_->httpConfig(), *impl_->pool,
        [this](HttpRequest& request) { return impl_->handle(request); },
        [this](const std::string& line) { impl_->log(QString::fromStdString(line)); });
    int port = 0;
    try {
        port = impl_->http->start();
    } catch (...) {
        impl_->http.reset();
        impl_->pool.reset();
        throw;
    }
    impl_->running = true;
    return port;
}

qsizetype EmbeddedServer::mostStatementsHeld() const {
    return impl_->mostStatements.load();
}

void EmbeddedServer::stop() {
    if (!impl_->running)
        return;
    impl_->running = false;
    impl_->http->stop();
    // The connections are gone: what is still queued has nobody to answer.
    impl_->pool->stop(true);
    impl_->http.reset();
    impl_->pool.reset();
    impl_->deadlines.reset();
}

} // namespace server
