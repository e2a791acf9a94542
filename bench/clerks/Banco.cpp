#include "Banco.h"

#include <boost/asio/posix/stream_descriptor.hpp>
#include <boost/asio/use_awaitable.hpp>

#include <libpq-fe.h>

#include <stdexcept>

namespace clerks {

namespace asio = boost::asio;

ConexaoBanco::~ConexaoBanco() {
    if (conexao_)
        PQfinish(conexao_);
}

std::string ConexaoBanco::literal(const std::string& valor) {
    std::string texto = "'";
    for (char c : valor) {
        texto += c;
        if (c == '\'')
            texto += c;
    }
    return texto + "'";
}

// Waits until the connection's socket can be read (or written), without taking it over: the
// descriptor stays libpq's.
asio::awaitable<void> ConexaoBanco::espera(bool escrita) {
    asio::posix::stream_descriptor socket(io_, PQsocket(conexao_));
    try {
        co_await socket.async_wait(escrita ? asio::posix::descriptor_base::wait_write
                                           : asio::posix::descriptor_base::wait_read,
                                   asio::use_awaitable);
    } catch (...) {
        socket.release();
        throw;
    }
    socket.release();
}

asio::awaitable<void> ConexaoBanco::abre(const std::string& url) {
    conexao_ = PQconnectStart(url.c_str());
    if (!conexao_ || PQstatus(conexao_) == CONNECTION_BAD)
        throw std::runtime_error("conexão ao banco: " + std::string(PQerrorMessage(conexao_)));
    for (PostgresPollingStatusType estado = PGRES_POLLING_WRITING;;) {
        if (estado == PGRES_POLLING_OK)
            break;
        if (estado == PGRES_POLLING_FAILED)
            throw std::runtime_error("conexão ao banco: " + std::string(PQerrorMessage(conexao_)));
        co_await espera(estado == PGRES_POLLING_WRITING);
        estado = PQconnectPoll(conexao_);
    }
    PQsetnonblocking(conexao_, 1);
}

asio::awaitable<int> ConexaoBanco::consulta(const std::string& sql) {
    if (!PQsendQuery(conexao_, sql.c_str()))
        throw std::runtime_error("consulta: " + std::string(PQerrorMessage(conexao_)));
    while (PQflush(conexao_) == 1)
        co_await espera(true);
    int linhas = 0;
    std::string erro;
    for (;;) {
        while (PQisBusy(conexao_)) {
            co_await espera(false);
            if (!PQconsumeInput(conexao_))
                throw std::runtime_error("consulta: " + std::string(PQerrorMessage(conexao_)));
        }
        PGresult* resultado = PQgetResult(conexao_);
        if (!resultado)
            break;
        if (PQresultStatus(resultado) == PGRES_TUPLES_OK)
            linhas += PQntuples(resultado);
        else if (PQresultStatus(resultado) != PGRES_COMMAND_OK)
            erro = PQresultErrorMessage(resultado);
        PQclear(resultado);
    }
    if (!erro.empty())
        throw std::runtime_error("consulta: " + erro);
    co_return linhas;
}

} // namespace clerks
