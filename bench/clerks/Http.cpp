#include "Http.h"

#include <boost/asio/use_awaitable.hpp>
#include <boost/beast/http.hpp>

#include <stdexcept>

namespace clerks {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using asio::use_awaitable;

ConexaoHttp::ConexaoHttp(asio::io_context& io, asio::ip::tcp::endpoint destino,
                         const Credenciais& credenciais)
    : stream_(io), destino_(std::move(destino)), credenciais_(credenciais) {}

asio::awaitable<void> ConexaoHttp::abre() {
    co_await stream_.async_connect(destino_, use_awaitable);
    stream_.socket().set_option(asio::ip::tcp::no_delay(true));
    buffer_.clear();
    aberta_ = true;
    ++aberturas_;
}

void ConexaoHttp::fecha() {
    beast::error_code ignora;
    stream_.socket().shutdown(asio::ip::tcp::socket::shutdown_both, ignora);
    stream_.close();
    aberta_ = false;
}

asio::awaitable<std::string> ConexaoHttp::chama(const std::string& modulo,
                                                const std::string& metodo,
                                                const std::string& argumentos,
                                                const std::string& chave) {
    http::request<http::string_body> pedido{http::verb::post, "/rpc/" + modulo + "/" + metodo, 11};
    pedido.set(http::field::host, destino_.address().to_string());
    pedido.set(http::field::accept, "*/*");
    pedido.set(http::field::authorization, "Bearer " + credenciais_.token);
    pedido.set("Est-Usuario", credenciais_.usuario);
    if (!chave.empty())
        pedido.set("Idempotency-Key", chave);
    pedido.set(http::field::content_type, "application/json");
    pedido.body() = argumentos;
    pedido.prepare_payload();

    // A kept connection the server closed while idle fails on its first use: opened again
    // once, as the desktop's client does before it sends.
    for (int tentativa = 0;; ++tentativa) {
        const bool reaproveitada = aberta_;
        if (!aberta_)
            co_await abre();
        try {
            stream_.expires_after(std::chrono::seconds(120));
            co_await http::async_write(stream_, pedido, use_awaitable);
            http::response<http::string_body> resposta;
            co_await http::async_read(stream_, buffer_, resposta, use_awaitable);
            stream_.expires_never();
            if (!resposta.keep_alive())
                fecha();
            if (resposta.result() != http::status::ok)
                throw std::runtime_error(metodo + ": " + std::to_string(resposta.result_int()) +
                                         " " + resposta.body().substr(0, 300));
            co_return std::move(resposta.body());
        } catch (const boost::system::system_error&) {
            fecha();
            if (!reaproveitada || tentativa > 0)
                throw;
        }
    }
}

} // namespace clerks
