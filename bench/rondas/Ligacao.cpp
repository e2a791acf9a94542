#include "Ligacao.h"

#include <boost/asio.hpp>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <deque>

namespace bancada {
namespace {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;
using Relogio = std::chrono::steady_clock;

std::uint32_t bigEndian(const std::string& b, std::size_t at) {
    return (std::uint32_t(std::uint8_t(b[at])) << 24) |
           (std::uint32_t(std::uint8_t(b[at + 1])) << 16) |
           (std::uint32_t(std::uint8_t(b[at + 2])) << 8) | std::uint32_t(std::uint8_t(b[at + 3]));
}

// Reads what the client sends, whole messages at a time, and tells each request it finds.
class Leitor {
public:
    Leitor(Protocolo protocolo, std::atomic<long>& pedidos)
        : protocolo_(protocolo), pedidos_(pedidos) {}

    template <class Anota> void le(const char* dados, std::size_t n, Anota anota) {
        buffer_.append(dados, n);
        while (protocolo_ == Protocolo::Http ? http(anota) : postgres(anota))
            ;
    }

private:
    // One HTTP request (head and body by Content-Length) when it is all there.
    template <class Anota> bool http(Anota anota) {
        const std::size_t fim = buffer_.find("\r\n\r\n");
        if (fim == std::string::npos)
            return false;
        std::string cabeca = buffer_.substr(0, fim);
        std::string minusculas = cabeca;
        std::transform(minusculas.begin(), minusculas.end(), minusculas.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        std::size_t corpo = 0;
        if (const std::size_t at = minusculas.find("\r\ncontent-length:"); at != std::string::npos)
            corpo = std::stoul(cabeca.substr(at + 17));
        if (buffer_.size() < fim + 4 + corpo)
            return false;
        const std::size_t espaco = cabeca.find(' ');
        anota(cabeca.substr(espaco + 1, cabeca.find(' ', espaco + 1) - espaco - 1));
        ++pedidos_;
        buffer_.erase(0, fim + 4 + corpo);
        return true;
    }

    // One message of the PostgreSQL frontend protocol when it is all there. The first ones
    // have no type byte (the startup, and the encryption requests answered before it).
    template <class Anota> bool postgres(Anota anota) {
        const std::size_t tipo = inicio_ ? 0 : 1;
        if (buffer_.size() < tipo + 4)
            return false;
        const std::size_t tamanho = tipo + bigEndian(buffer_, tipo);
        if (buffer_.size() < tamanho)
            return false;
        if (inicio_) {
            const std::uint32_t codigo = bigEndian(buffer_, 4);
            inicio_ = codigo == 80877103 || codigo == 80877104; // SSL or GSS encryption asked
        } else if (buffer_[0] == 'Q') { // a statement's text: its first word is told
            anota(buffer_.substr(5, buffer_.find_first_of(std::string(" \n\t\0", 4), 5) - 5));
            ++pedidos_;
        } else if (buffer_[0] == 'E') { // a prepared statement run by the extended protocol
            anota("Bind/Execute");
            ++pedidos_;
        }
        buffer_.erase(0, tamanho);
        return true;
    }

    Protocolo protocolo_;
    std::atomic<long>& pedidos_;
    std::string buffer_;
    bool inicio_ = true;
};

} // namespace

struct Ligacao::Impl {
    asio::io_context io;
    tcp::acceptor aceitador{io};
    Protocolo protocolo;
    int destino;
    Ligacao& dono;

    Impl(Protocolo p, int d, Ligacao& l) : protocolo(p), destino(d), dono(l) {}

    // One way of one connection: reads, holds each chunk for the link's delay, writes in order.
    struct Sentido : std::enable_shared_from_this<Sentido> {
        tcp::socket& de;
        tcp::socket& para;
        asio::steady_timer relogio;
        std::deque<std::pair<Relogio::time_point, std::string>> fila;
        bool escrevendo = false;
        std::array<char, 16384> bloco{};
        std::unique_ptr<Leitor> leitor; // on the client's way only
        Impl& impl;
        std::shared_ptr<void> par; // keeps the connection's sockets alive

        Sentido(tcp::socket& a, tcp::socket& b, Impl& i) : de(a), para(b), relogio(i.io), impl(i) {}

        void le() {
            de.async_read_some(
                asio::buffer(bloco), [self = shared_from_this()](auto ec, std::size_t n) {
                    if (ec) {
                        boost::system::error_code ignora;
                        self->para.shutdown(tcp::socket::shutdown_send, ignora);
                        return;
                    }
                    if (self->leitor)
                        self->leitor->le(self->bloco.data(), n, [&](std::string caminho) {
                            std::lock_guard trava(self->impl.dono.mutex_);
                            self->impl.dono.caminhos_.push_back(std::move(caminho));
                        });
                    const auto atraso = std::chrono::microseconds(self->impl.dono.atraso_.load());
                    self->fila.emplace_back(Relogio::now() + atraso,
                                            std::string(self->bloco.data(), n));
                    self->escreve();
                    self->le();
                });
        }

        void escreve() {
            if (escrevendo || fila.empty())
                return;
            escrevendo = true;
            relogio.expires_at(fila.front().first);
            relogio.async_wait([self = shared_from_this()](auto) {
                asio::async_write(self->para, asio::buffer(self->fila.front().second),
                                  [self](auto ec, std::size_t) {
                                      self->fila.pop_front();
                                      self->escrevendo = false;
                                      if (!ec)
                                          self->escreve();
                                  });
            });
        }
    };

    struct Conexao {
        tcp::socket cliente;
        tcp::socket servidor;
        Ligacao& dono;
        explicit Conexao(asio::io_context& io, Ligacao& l) : cliente(io), servidor(io), dono(l) {
            ++dono.abertas_;
        }
        ~Conexao() { --dono.abertas_; }
    };

    void aceita() {
        auto conexao = std::make_shared<Conexao>(io, dono);
        aceitador.async_accept(conexao->cliente, [this, conexao](auto ec) {
            if (ec)
                return;
            aceita();
            boost::system::error_code erro;
            conexao->servidor.connect(
                {asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(destino)}, erro);
            if (erro)
                return;
            conexao->cliente.set_option(tcp::no_delay(true));
            conexao->servidor.set_option(tcp::no_delay(true));
            auto ida = std::make_shared<Sentido>(conexao->cliente, conexao->servidor, *this);
            auto volta = std::make_shared<Sentido>(conexao->servidor, conexao->cliente, *this);
            ida->leitor = std::make_unique<Leitor>(protocolo, dono.pedidos_);
            ida->par = conexao;
            volta->par = conexao;
            ida->le();
            volta->le();
        });
    }
};

Ligacao::Ligacao(Protocolo protocolo, int portaDestino)
    : impl_(std::make_unique<Impl>(protocolo, portaDestino, *this)) {
    const tcp::endpoint local(asio::ip::make_address("127.0.0.1"), 0);
    impl_->aceitador.open(local.protocol());
    impl_->aceitador.bind(local);
    impl_->aceitador.listen();
    porta_ = impl_->aceitador.local_endpoint().port();
    impl_->aceita();
    thread_ = std::thread([this] { impl_->io.run(); });
}

Ligacao::~Ligacao() {
    impl_->io.stop();
    thread_.join();
}

std::vector<std::string> Ligacao::caminhos() const {
    std::lock_guard trava(mutex_);
    return caminhos_;
}

} // namespace bancada
