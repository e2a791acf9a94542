#pragma once
// The HTTP transport of the application server: asynchronous (Boost.Beast on Asio), so an
// idle or slow connection costs a socket and a few buffers, never a thread. Each phase of a
// request has its own deadline (idle keep-alive, header, body, answer); the body limit holds
// for every framing; the token, the Host and the Content-Type are checked as soon as the
// headers are in, before any byte of the body is read. The requests' work runs on a
// WorkerPool; when its queue is full the request is answered 503 at once.

#include <server/WorkerPool.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace server {

// How the bearer token of a request reads to the server.
enum class Credential {
    Refused, // none or unknown
    Expired, // a session past its end
    Service, // the server's own token (or none needed)
    Session, // a signed-in user's session
};

struct HttpLimits {
    std::size_t maxBodyBytes = 8 * 1024 * 1024;
    std::uint32_t maxHeaderBytes = 16 * 1024;       // request line and headers together
    std::chrono::milliseconds idleTimeout{60000};   // waiting for a request's first byte
    std::chrono::milliseconds headerTimeout{10000}; // from its first byte to the end of the headers
    std::chrono::milliseconds bodyTimeout{30000};   // the whole body
    std::chrono::milliseconds writeTimeout{30000};  // the whole answer
    std::chrono::milliseconds stopTimeout{8000};    // requests under way at a stop
    int backlog = 1024;
};

struct HttpConfig {
    std::string address = "127.0.0.1";
    int port = 0;
    std::string token; // required as "Authorization: Bearer <token>"; empty: none
    // Tells a bearer token other than `token` (a session's); run on the transport's threads
    // before the body is read, so it must be quick. None: only `token` is accepted.
    std::function<Credential(std::string_view bearer)> sessionCredential;
    // Names accepted in the Host header besides IP literals and "localhost" (lower case).
    std::vector<std::string> hostNames;
    std::string tlsCertFile; // both given: the server speaks TLS only
    std::string tlsKeyFile;
    int ioThreads = 1;
    HttpLimits limits;
};

struct HttpRequest {
    // "/rpc/<object>/<method>"; "/auth/<action>" reads as object "auth", method the action.
    std::string object;
    std::string method;
    std::string body;
    std::string requestKey; // Idempotency-Key, empty when none
    std::string bearer;     // the token after "Bearer ", empty when none
    std::string userHeader; // Est-Usuario: who acts under the server's own token
    Credential credential = Credential::Refused;
};

struct HttpAnswer {
    int status = 200;
    std::string body; // JSON
};

class HttpServer {
public:
    // Runs on a thread of the pool for each request that passed the transport's checks;
    // must not throw. POST /auth/login reaches it without a credential.
    using Handler = std::function<HttpAnswer(HttpRequest& request)>;
    // One line per request and per transport event, without the program's prefix.
    using Logger = std::function<void(const std::string& line)>;

    HttpServer(HttpConfig config, WorkerPool& pool, Handler handler, Logger logger);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Binds, listens and starts serving; answers the port. Throws std::runtime_error.
    int start();
    // Stops accepting, closes idle and half-read connections, lets the requests under way
    // answer (with "Connection: close") for up to limits.stopTimeout, then closes the rest.
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Whether the address (IPv4 or IPv6 literal) reaches this machine only.
bool isLoopbackAddress(const std::string& address);

// The protocol's error body: {"error": {"code": ..., "message": ...}}.
std::string errorBody(const std::string& code, const std::string& message);

} // namespace server
