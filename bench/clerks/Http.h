#pragma once
// One keep-alive HTTP connection of a simulated desktop to an application server, driven by
// Asio coroutines: a socket and its buffers, no thread. Like the desktop's own client, it
// opens on the first call, reopens when the server closed it while idle, and sends the
// same headers (token, user, idempotency key of a write).

#include <boost/asio/awaitable.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>

#include <string>

namespace clerks {

struct Credenciais {
    std::string token;   // sent as "Authorization: Bearer"
    std::string usuario; // sent as Est-Usuario
};

class ConexaoHttp {
public:
    ConexaoHttp(boost::asio::io_context& io, boost::asio::ip::tcp::endpoint destino,
                const Credenciais& credenciais);

    // POST /rpc/<modulo>/<metodo> with the JSON arguments; answers the body of a 200 and
    // throws std::runtime_error on anything else. chave: the Idempotency-Key, when not empty.
    boost::asio::awaitable<std::string> chama(const std::string& modulo, const std::string& metodo,
                                              const std::string& argumentos,
                                              const std::string& chave = {});
    // How many times the connection was opened (the first time included).
    int aberturas() const { return aberturas_; }
    void fecha();

private:
    boost::asio::awaitable<void> abre();

    boost::beast::tcp_stream stream_;
    boost::beast::flat_buffer buffer_;
    boost::asio::ip::tcp::endpoint destino_;
    const Credenciais& credenciais_;
    bool aberta_ = false;
    int aberturas_ = 0;
};

} // namespace clerks
