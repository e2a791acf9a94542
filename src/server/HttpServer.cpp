#include <server/HttpServer.h>

#include <server/RequestChecks.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <future>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <thread>
#include <unordered_map>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace server {

std::string errorBody(const std::string& code, const std::string& message) {
    return QJsonDocument(
               QJsonObject{
                   {QStringLiteral("error"),
                    QJsonObject{{QStringLiteral("code"), QString::fromStdString(code)},
                                {QStringLiteral("message"), QString::fromStdString(message)}}}})
        .toJson(QJsonDocument::Compact)
        .toStdString();
}

bool isLoopbackAddress(const std::string& address) {
    boost::system::error_code ec;
    const asio::ip::address parsed = asio::ip::make_address(address, ec);
    return !ec && parsed.is_loopback();
}

namespace {

using Clock = std::chrono::steady_clock;

// What a refused connection's client may still send after the answer is read and thrown
// away for a moment, so that closing does not reset the connection before the client has
// read the answer.
constexpr std::chrono::seconds kDrainTime{2};
constexpr std::size_t kDrainBytes = 64 * 1024 * 1024;

// A request that does not read as HTTP (as opposed to a connection that ended or timed out).
bool isParseError(const beast::error_code& ec) {
    return ec.category() == beast::error_code(http::error::end_of_stream).category() &&
           ec != http::error::end_of_stream && ec != http::error::partial_message;
}

// Why the address cannot be listened on, for the operator: the usual causes in words, the
// system's text otherwise (never the exception's text, which names library source files).
std::string listenFailure(const boost::system::error_code& ec) {
    namespace errc = boost::system::errc;
    if (ec == errc::address_in_use)
        return "a porta já está em uso por outro programa";
    if (ec == errc::address_not_available)
        return "o endereço não pertence a esta máquina";
    if (ec == errc::permission_denied)
        return "sem permissão para usar essa porta";
    if (ec == errc::invalid_argument)
        return "endereço inválido";
    return ec.message();
}

std::string_view view(beast::string_view text) {
    return {text.data(), text.size()};
}

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

class ConnectionBase {
public:
    virtual ~ConnectionBase() = default;
    virtual asio::any_io_executor executor() = 0;
    virtual void start() = 0;
    // The server stops: a connection without a request under way closes now; one with a
    // request answers it and then closes.
    virtual void stopGently() = 0;
    virtual void forceClose() = 0;
};

class Core {
public:
    Core(HttpConfig c, WorkerPool& p, HttpServer::Handler h, HttpServer::Logger l)
        : config(std::move(c)), pool(p), handler(std::move(h)), logger(std::move(l)) {}

    HttpConfig config;
    WorkerPool& pool;
    HttpServer::Handler handler;
    HttpServer::Logger logger;
    std::atomic<bool> stopping{false};

    // Before the io_context: connections held by its handlers unregister when it goes.
    std::mutex connectionsMutex;
    std::condition_variable connectionsChanged;
    std::unordered_map<ConnectionBase*, std::weak_ptr<ConnectionBase>> connections;

    asio::io_context ioc;
    std::optional<asio::executor_work_guard<asio::io_context::executor_type>> work;
    std::optional<asio::ssl::context> tls;
    tcp::acceptor acceptor{asio::make_strand(ioc)};
    asio::steady_timer acceptRetry{acceptor.get_executor()};
    std::vector<std::thread> threads;

    void log(const std::string& line) { logger(line); }

    void add(const std::shared_ptr<ConnectionBase>& connection) {
        std::lock_guard lock(connectionsMutex);
        connections.emplace(connection.get(), connection);
    }
    void remove(ConnectionBase* connection) {
        {
            std::lock_guard lock(connectionsMutex);
            connections.erase(connection);
        }
        connectionsChanged.notify_all();
    }
    std::vector<std::shared_ptr<ConnectionBase>> live() {
        std::lock_guard lock(connectionsMutex);
        std::vector<std::shared_ptr<ConnectionBase>> all;
        for (auto& [raw, weak] : connections)
            if (auto c = weak.lock())
                all.push_back(std::move(c));
        return all;
    }
    bool waitForNoConnections(std::chrono::milliseconds timeout) {
        std::unique_lock lock(connectionsMutex);
        return connectionsChanged.wait_for(lock, timeout, [this] { return connections.empty(); });
    }

    void accept();
};

template <class Stream>
class Connection : public ConnectionBase, public std::enable_shared_from_this<Connection<Stream>> {
public:
    static constexpr bool kTls = !std::is_same_v<Stream, beast::tcp_stream>;

    Connection(Core& core, tcp::socket&& socket)
        : core_(core), stream_(makeStream(std::move(socket))) {}
    ~Connection() override { core_.remove(this); }

    asio::any_io_executor executor() override { return stream_.get_executor(); }

    void start() override {
        if constexpr (kTls) {
            phase_ = Phase::Handshake;
            lowest().expires_after(limits().headerTimeout);
            stream_.async_handshake(asio::ssl::stream_base::server,
                                    [self = this->shared_from_this()](beast::error_code ec) {
                                        if (ec)
                                            return self->close();
                                        self->waitRequest();
                                    });
        } else {
            waitRequest();
        }
    }

    void stopGently() override {
        if (phase_ == Phase::Handshake || phase_ == Phase::Idle || phase_ == Phase::Header ||
            phase_ == Phase::Body)
            close();
    }

    void forceClose() override { close(); }

private:
    enum class Phase { Handshake, Idle, Header, Body, Working, Writing, Draining, Closed };

    Stream makeStream(tcp::socket&& socket) {
        if constexpr (kTls)
            return Stream(std::move(socket), *core_.tls);
        else
            return Stream(std::move(socket));
    }

    beast::tcp_stream& lowest() { return beast::get_lowest_layer(stream_); }
    const HttpLimits& limits() const { return core_.config.limits; }

    // Idle until the first byte of the next request: a connection kept alive costs no thread.
    void waitRequest() {
        if (core_.stopping)
            return close();
        if (buffer_.size() > 0)
            return readHeader();
        phase_ = Phase::Idle;
        lowest().expires_after(limits().idleTimeout);
        stream_.async_read_some(buffer_.prepare(4096),
                                [self = this->shared_from_this()](beast::error_code ec, size_t n) {
                                    if (ec)
                                        return self->close();
                                    self->buffer_.commit(n);
                                    self->readHeader();
                                });
    }

    void readHeader() {
        phase_ = Phase::Header;
        parser_.emplace();
        parser_->header_limit(limits().maxHeaderBytes);
        // No limit yet, so an announced length is judged after the token is.
        parser_->body_limit(boost::none);
        lowest().expires_after(limits().headerTimeout);
        http::async_read_header(stream_, buffer_, *parser_,
                                [self = this->shared_from_this()](beast::error_code ec, size_t) {
                                    self->onHeader(ec);
                                });
    }

    void onHeader(beast::error_code ec) {
        if (ec) {
            if (isParseError(ec))
                return refuse(400, "bad_request", "Requisição malformada.");
            return close();
        }
        started_ = Clock::now();
        const auto& request = parser_->get();
        keepAlive_ = request.keep_alive();
        target_ = std::string(view(request.target()));
        const HttpConfig& config = core_.config;
        std::string action;
        const bool auth = authTarget(target_, action);
        const Credential credential = credentialOf(view(request[http::field::authorization]));
        // Signing in needs no credential; everything else does.
        if (!(auth && action == "login")) {
            if (credential == Credential::Expired)
                return refuse(401, "session_expired", "Sessão expirada. Entre novamente.");
            if (credential == Credential::Refused)
                return refuse(401, "unauthorized", "Token de acesso ausente ou inválido.");
        }
        if (!hostAccepted(view(request[http::field::host]), config.hostNames))
            return refuse(403, "forbidden_host",
                          "Nome de servidor não aceito no cabeçalho Host: " +
                              std::string(view(request[http::field::host])) + ".");
        if (auth) {
            object_ = "auth";
            method_ = action;
        }
        if (request.method() != http::verb::post ||
            (!auth && !rpcTarget(target_, object_, method_)))
            return refuse(404, "not_found",
                          "Recurso desconhecido. Use POST /rpc/<objeto>/<método>.");
        request_.credential = credential;
        request_.userHeader = std::string(view(request["Est-Usuario"]));
        requestKey_ = std::string(view(request["Idempotency-Key"]));
        if (!validRequestKey(requestKey_))
            return refuse(400, "bad_request",
                          "Chave de idempotência inválida (Idempotency-Key): até 64 letras, "
                          "dígitos, '-' ou '_'.");
        if (!isJsonContentType(view(request[http::field::content_type])))
            return refuse(415, "unsupported_media_type",
                          "O corpo da requisição deve ser JSON (Content-Type: application/json).");
        const auto length = parser_->content_length();
        if (!length && !parser_->chunked())
            return refuse(411, "length_required", "Requisição sem o tamanho do corpo.");
        if (length && *length > limits().maxBodyBytes)
            return tooLarge();
        if (lower(view(request[http::field::expect])) == "100-continue") {
            static const std::string go = "HTTP/1.1 100 Continue\r\n\r\n";
            lowest().expires_after(limits().writeTimeout);
            return asio::async_write(
                stream_, asio::buffer(go),
                [self = this->shared_from_this()](beast::error_code e, size_t) {
                    if (e)
                        return self->close();
                    self->readBody();
                });
        }
        readBody();
    }

    void readBody() {
        phase_ = Phase::Body;
        parser_->body_limit(limits().maxBodyBytes);
        lowest().expires_after(limits().bodyTimeout);
        http::async_read(stream_, buffer_, *parser_,
                         [self = this->shared_from_this()](beast::error_code ec, size_t) {
                             if (ec == http::error::body_limit)
                                 return self->tooLarge();
                             if (ec && isParseError(ec))
                                 return self->refuse(400, "bad_request", "Requisição malformada.");
                             if (ec)
                                 return self->close();
                             self->dispatch();
                         });
    }

    void tooLarge() {
        refuse(413, "too_large",
               "Requisição maior que o limite de " + std::to_string(limits().maxBodyBytes) +
                   " bytes.");
    }

    // The server's own token, a session's (told by the server), or none at all.
    Credential credentialOf(std::string_view authorization) {
        const HttpConfig& config = core_.config;
        constexpr std::string_view scheme = "Bearer ";
        const bool bearer = authorization.substr(0, scheme.size()) == scheme;
        request_.bearer = bearer ? std::string(authorization.substr(scheme.size())) : std::string();
        if (!config.token.empty() && sameSecret(authorization, "Bearer " + config.token))
            return Credential::Service;
        if (bearer && config.sessionCredential) {
            const Credential session = config.sessionCredential(request_.bearer);
            if (session != Credential::Refused || !config.token.empty())
                return session;
        }
        return config.token.empty() ? Credential::Service : Credential::Refused;
    }

    // The work goes to the pool; the time it takes there is not the client's to pay.
    void dispatch() {
        phase_ = Phase::Working;
        lowest().expires_never();
        request_.object = object_;
        request_.method = method_;
        request_.requestKey = requestKey_;
        request_.body = std::move(parser_->get().body());
        auto job = [self = this->shared_from_this(), request = std::move(request_)]() mutable {
            HttpAnswer answer = self->core_.handler(request);
            asio::post(self->stream_.get_executor(), [self, answer = std::move(answer)]() mutable {
                self->respond(std::move(answer));
            });
        };
        parser_.reset();
        if (!core_.pool.tryPost(std::move(job)))
            respond({503, errorBody("busy", "Servidor de aplicação ocupado. Tente novamente "
                                            "em instantes.")});
    }

    void logAnswer(int status) {
        const double ms =
            std::chrono::duration<double, std::milli>(Clock::now() - started_).count();
        char figure[32];
        std::snprintf(figure, sizeof figure, "%.2f", ms);
        const std::string what = !object_.empty()  ? object_ + " " + method_
                                 : target_.empty() ? "-"
                                                   : target_;
        core_.log(what + " " + std::to_string(status) + " " + figure + " ms");
    }

    void respond(HttpAnswer answer, bool closeAfter = false) {
        if (phase_ == Phase::Closed)
            return; // closed meanwhile (a forced stop)
        logAnswer(answer.status);
        response_.emplace(static_cast<http::status>(answer.status), 11);
        response_->set(http::field::content_type, "application/json");
        response_->body() = std::move(answer.body);
        response_->keep_alive(keepAlive_ && !closeAfter && !core_.stopping);
        response_->prepare_payload();
        phase_ = Phase::Writing;
        lowest().expires_after(limits().writeTimeout);
        http::async_write(stream_, *response_,
                          [self = this->shared_from_this()](beast::error_code ec, size_t) {
                              if (ec)
                                  return self->close();
                              const bool again = self->response_->keep_alive();
                              self->response_.reset();
                              if (!again)
                                  return self->drainAndClose();
                              self->object_.clear();
                              self->method_.clear();
                              self->waitRequest();
                          });
    }

    // Answers without reading the body and closes the connection.
    void refuse(int status, const std::string& code, const std::string& message) {
        if (started_ == Clock::time_point{})
            started_ = Clock::now();
        respond({status, errorBody(code, message)}, true);
    }

    // Closes our side for sending, then reads and drops what the client still sends for a
    // moment: closing with unread data would reset the connection and could destroy the
    // answer before the client reads it.
    void drainAndClose() {
        phase_ = Phase::Draining;
        beast::error_code ignored;
        lowest().socket().shutdown(tcp::socket::shutdown_send, ignored);
        lowest().expires_after(kDrainTime);
        scratch_ = std::make_unique<std::array<char, 65536>>();
        drain();
    }

    void drain() {
        lowest().async_read_some(asio::buffer(*scratch_),
                                 [self = this->shared_from_this()](beast::error_code ec, size_t n) {
                                     self->drained_ += n;
                                     if (ec || self->drained_ > kDrainBytes)
                                         return self->close();
                                     self->drain();
                                 });
    }

    void close() {
        if (phase_ == Phase::Closed)
            return;
        phase_ = Phase::Closed;
        beast::error_code ignored;
        lowest().socket().shutdown(tcp::socket::shutdown_both, ignored);
        lowest().close();
    }

    Core& core_;
    Stream stream_;
    Phase phase_ = Phase::Idle;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    std::optional<http::response<http::string_body>> response_;
    bool keepAlive_ = true;
    Clock::time_point started_;
    std::string target_, object_, method_, requestKey_;
    HttpRequest request_; // what the transport learnt of the request under way
    std::unique_ptr<std::array<char, 65536>> scratch_;
    std::size_t drained_ = 0;
};

void Core::accept() {
    acceptor.async_accept(asio::make_strand(ioc), [this](beast::error_code ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted || !acceptor.is_open())
            return;
        if (ec) {
            // Out of descriptors, most likely: the connections waiting in the backlog get
            // their turn once some close.
            log("conexão não aceita: " + ec.message());
            acceptRetry.expires_after(std::chrono::milliseconds(100));
            acceptRetry.async_wait([this](beast::error_code e) {
                if (!e)
                    accept();
            });
            return;
        }
        beast::error_code ignored;
        socket.set_option(tcp::no_delay(true), ignored);
        std::shared_ptr<ConnectionBase> connection;
        if (tls)
            connection = std::make_shared<Connection<beast::ssl_stream<beast::tcp_stream>>>(
                *this, std::move(socket));
        else
            connection = std::make_shared<Connection<beast::tcp_stream>>(*this, std::move(socket));
        add(connection);
        asio::post(connection->executor(), [connection] { connection->start(); });
        accept();
    });
}

} // namespace

struct HttpServer::Impl {
    Impl(HttpConfig config, WorkerPool& pool, Handler handler, Logger logger)
        : core(std::move(config), pool, std::move(handler), std::move(logger)) {}
    Core core;
    bool running = false;
};

HttpServer::HttpServer(HttpConfig config, WorkerPool& pool, Handler handler, Logger logger)
    : impl_(
          std::make_unique<Impl>(std::move(config), pool, std::move(handler), std::move(logger))) {}

HttpServer::~HttpServer() {
    stop();
}

int HttpServer::start() {
    Core& core = impl_->core;
    const HttpConfig& config = core.config;
    if (!config.tlsCertFile.empty() || !config.tlsKeyFile.empty()) {
        try {
            core.tls.emplace(asio::ssl::context::tls_server);
            core.tls->set_options(asio::ssl::context::default_workarounds |
                                  asio::ssl::context::no_sslv2 | asio::ssl::context::no_sslv3 |
                                  asio::ssl::context::no_tlsv1 | asio::ssl::context::no_tlsv1_1);
            core.tls->use_certificate_chain_file(config.tlsCertFile);
            core.tls->use_private_key_file(config.tlsKeyFile, asio::ssl::context::pem);
        } catch (const std::exception& e) {
            throw std::runtime_error("certificado ou chave TLS inutilizável (" +
                                     config.tlsCertFile + ", " + config.tlsKeyFile +
                                     "): " + e.what());
        }
    }
    boost::system::error_code ec;
    const tcp::endpoint endpoint(asio::ip::make_address(config.address, ec),
                                 static_cast<unsigned short>(config.port));
    if (!ec)
        core.acceptor.open(endpoint.protocol(), ec);
    if (!ec)
        core.acceptor.set_option(tcp::acceptor::reuse_address(true), ec);
    if (!ec)
        core.acceptor.bind(endpoint, ec);
    if (!ec)
        core.acceptor.listen(config.limits.backlog, ec);
    if (ec) {
        boost::system::error_code ignored;
        core.acceptor.close(ignored);
        throw std::runtime_error("não foi possível escutar no endereço " + config.address +
                                 ", porta " + std::to_string(config.port) + ": " +
                                 listenFailure(ec));
    }
    const int port = core.acceptor.local_endpoint().port();
    core.work.emplace(core.ioc.get_executor());
    core.accept();
    for (int i = 0; i < std::max(1, config.ioThreads); ++i)
        core.threads.emplace_back([&core] { core.ioc.run(); });
    impl_->running = true;
    return port;
}

void HttpServer::stop() {
    if (!impl_->running)
        return;
    impl_->running = false;
    Core& core = impl_->core;
    core.stopping = true;
    std::promise<void> closed;
    asio::post(core.acceptor.get_executor(), [&core, &closed] {
        beast::error_code ignored;
        core.acceptor.close(ignored);
        core.acceptRetry.cancel();
        closed.set_value();
    });
    closed.get_future().wait();
    for (const auto& connection : core.live())
        asio::post(connection->executor(), [connection] { connection->stopGently(); });
    if (!core.waitForNoConnections(core.config.limits.stopTimeout)) {
        core.log("parada: conexões ainda abertas encerradas à força");
        for (const auto& connection : core.live())
            asio::post(connection->executor(), [connection] { connection->forceClose(); });
        core.waitForNoConnections(std::chrono::milliseconds(1000));
    }
    core.work.reset();
    core.ioc.stop();
    for (std::thread& thread : core.threads)
        thread.join();
    core.threads.clear();
}

} // namespace server
