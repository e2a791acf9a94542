#include "EmbeddedServer.h"

#include "Database.h"
#include "DemoData.h"
#include "Rpc.h"
#include "RpcError.h"
#include "Schema.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>

namespace server {
namespace {

constexpr size_t kMaxBodyBytes = 8 * 1024 * 1024;
constexpr time_t kKeepAliveSeconds = 2; // also bounds how long a stop waits for idle clients
constexpr time_t kReadWriteTimeoutSeconds = 30;

std::atomic<int> nextInstanceId{1};

// The sessions of the worker threads; a worker serves one server only, and its sessions
// close when it ends.
thread_local std::unordered_map<int, std::unique_ptr<Session>> threadSessions;
thread_local std::chrono::steady_clock::time_point requestStart;

QByteArray errorBody(const QString& code, const QString& message) {
    return QJsonDocument(QJsonObject{{QStringLiteral("error"),
                                      QJsonObject{{QStringLiteral("code"), code},
                                                  {QStringLiteral("message"), message}}}})
        .toJson(QJsonDocument::Compact);
}

void setError(httplib::Response& res, int status, const QString& code, const QString& message) {
    res.status = status;
    const QByteArray body = errorBody(code, message);
    res.set_content(body.constData(), static_cast<size_t>(body.size()), "application/json");
}

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

// Compares without an early exit, so the time taken tells nothing about the token.
bool sameSecret(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (size_t i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

} // namespace

struct EmbeddedServer::Impl {
    ServerOptions options;
    DatabaseUrl url;
    Registry registry;
    httplib::Server http;
    std::thread listener;
    int id = nextInstanceId++;
    std::mutex logMutex;
    bool running = false;

    Session& session() {
        auto& slot = threadSessions[id];
        if (!slot) {
            static std::atomic<int> counter{0};
            slot = std::make_unique<Session>(
                url, QStringLiteral("est-server-%1-%2").arg(id).arg(++counter));
        }
        return *slot;
    }

    void dropSession() { threadSessions.erase(id); }

    void handle(const httplib::Request& req, httplib::Response& res) {
        if (!options.token.isEmpty()) {
            const std::string expected = "Bearer " + options.token.toStdString();
            if (!sameSecret(req.get_header_value("Authorization"), expected))
                return setError(res, 401, QStringLiteral("unauthorized"),
                                QStringLiteral("Token de acesso ausente ou inválido."));
        }
        const QString object = QString::fromStdString(req.matches[1]);
        const QString name = QString::fromStdString(req.matches[2]);
        if (!registry.hasObject(object))
            return setError(res, 404, QStringLiteral("unknown_object"),
                            QStringLiteral("Objeto desconhecido no servidor: %1.").arg(object));
        const Method* method = registry.find(object, name);
        if (!method)
            return setError(res, 404, QStringLiteral("unknown_method"),
                            QStringLiteral("Método desconhecido: %1.%2.").arg(object, name));
        const QByteArrayView text(req.body.data(), static_cast<qsizetype>(req.body.size()));
        const ChangesMethod* changes = registry.findChanges(object, name);
        const std::optional<QList<dataset::ChangePacket>> packets =
            changes ? changePackets(text, changes->arguments) : std::nullopt;
        QJsonArray args;
        if (!packets) {
            QJsonParseError parseError;
            const QJsonDocument doc = QJsonDocument::fromJson(
                QByteArray::fromRawData(text.data(), text.size()), &parseError);
            if (parseError.error != QJsonParseError::NoError)
                return setError(res, 400, QStringLiteral("bad_json"),
                                QStringLiteral("JSON inválido na posição %1: %2.")
                                    .arg(parseError.offset)
                                    .arg(parseError.errorString()));
            if (!doc.isArray())
                return setError(res, 400, QStringLiteral("bad_request"),
                                QStringLiteral("O corpo deve ser uma lista JSON de argumentos."));
            args = doc.array();
        }
        try {
            QByteArray body;
            if (packets) {
                body = "{\"result\":" + changes->call(session(), *packets) + '}';
            } else {
                const QJsonValue result = (*method)(session(), args);
                body = QJsonDocument(QJsonObject{{QStringLiteral("result"), result}})
                           .toJson(QJsonDocument::Compact);
            }
            res.status = 200;
            res.set_content(body.constData(), static_cast<size_t>(body.size()), "application/json");
        } catch (const RpcError& e) {
            setError(res, e.status(), e.code(), e.message());
        } catch (const DbError& e) {
            log(QStringLiteral("database error: %1").arg(QString::fromStdString(e.what())));
            dropSession(); // the next request starts on a fresh connection
            setError(res, 500, QStringLiteral("database"),
                     QStringLiteral("Erro no banco de dados do servidor de aplicação."));
        } catch (const std::exception& e) {
            log(QStringLiteral("error: %1").arg(QString::fromStdString(e.what())));
            dropSession();
            setError(res, 500, QStringLiteral("internal"),
                     QStringLiteral("Erro interno do servidor de aplicação: %1")
                         .arg(QString::fromStdString(e.what())));
        }
    }

    void log(const QString& line) {
        const QByteArray text = line.toUtf8();
        std::lock_guard lock(logMutex);
        std::fprintf(stderr, "est-server: %s\n", text.constData());
        std::fflush(stderr);
    }

    void setUpHttp() {
        http.new_task_queue = [threads = std::max(1, options.threads)] {
            return new httplib::ThreadPool(static_cast<size_t>(threads));
        };
        http.set_tcp_nodelay(true);
        // Address reuse for a quick restart, but not the library's default SO_REUSEPORT, which
        // would let a second server share the port silently instead of failing to start.
        http.set_socket_options([](socket_t sock) {
            int yes = 1;
            setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
        });
        http.set_keep_alive_max_count(1000000);
        http.set_keep_alive_timeout(kKeepAliveSeconds);
        http.set_read_timeout(kReadWriteTimeoutSeconds);
        http.set_write_timeout(kReadWriteTimeoutSeconds);
        http.set_payload_max_length(kMaxBodyBytes);
        http.set_pre_routing_handler([](const httplib::Request&, httplib::Response&) {
            requestStart = std::chrono::steady_clock::now();
            return httplib::Server::HandlerResponse::Unhandled;
        });
        http.Post(R"(/rpc/([^/]+)/([^/]+))", [this](const httplib::Request& req,
                                                    httplib::Response& res) { handle(req, res); });
        // Whatever ended in an error without a body of ours gets the protocol's error body.
        http.set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request&,
                                                                       httplib::Response& res) {
            if (!res.body.empty())
                return httplib::Server::HandlerResponse::Unhandled;
            if (res.status == 413)
                setError(res, 413, QStringLiteral("too_large"),
                         QStringLiteral("Requisição maior que o limite de %1 bytes.")
                             .arg(kMaxBodyBytes));
            else if (res.status == 404 || res.status == 405)
                setError(res, 404, QStringLiteral("not_found"),
                         QStringLiteral("Recurso desconhecido. Use POST /rpc/<objeto>/<método>."));
            else
                setError(res, res.status, QStringLiteral("bad_request"),
                         QStringLiteral("Requisição malformada."));
            return httplib::Server::HandlerResponse::Handled;
        }));
        http.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
            const double ms = std::chrono::duration<double, std::milli>(
                                  std::chrono::steady_clock::now() - requestStart)
                                  .count();
            QString target = QString::fromStdString(req.path);
            if (req.matches.size() == 3)
                target = QStringLiteral("%1 %2").arg(QString::fromStdString(req.matches[1]),
                                                     QString::fromStdString(req.matches[2]));
            log(QStringLiteral("%1 %2 %3 ms").arg(target).arg(res.status).arg(ms, 0, 'f', 2));
        });
    }

    void prepareDatabase() {
        Session setup(url, QStringLiteral("est-server-%1-setup").arg(id));
        if (!schemaExists(setup)) {
            if (!options.init && options.demoScale <= 0)
                throw std::runtime_error("the database " + url.display().toStdString() +
                                         " has no schema; start with --init to create it");
            createSchema(setup);
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
        throw std::runtime_error("server already started");
    impl_->url = DatabaseUrl::parse(impl_->options.databaseUrl);
    impl_->prepareDatabase();
    impl_->setUpHttp();
    const std::string host = impl_->options.listen.toStdString();
    int port = impl_->options.port;
    if (port == 0)
        port = impl_->http.bind_to_any_port(host);
    else if (!impl_->http.bind_to_port(host, port))
        port = -1;
    if (port <= 0)
        throw std::runtime_error("cannot listen on " + host + ":" +
                                 std::to_string(impl_->options.port));
    impl_->listener = std::thread([this] { impl_->http.listen_after_bind(); });
    impl_->running = true;
    // Ready means accepting: a stop() before the loop runs would otherwise be lost.
    while (!impl_->http.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return port;
}

void EmbeddedServer::stop() {
    if (!impl_->running)
        return;
    impl_->running = false;
    impl_->http.stop();
    if (impl_->listener.joinable())
        impl_->listener.join();
}

} // namespace server
