#pragma once
// The database connection of a simulated desktop, for its own header lookups: libpq in
// non-blocking mode, its socket waited on by Asio, so a thousand of them cost no thread.
// Every read is one simple query with its values written in (one round trip), as the
// desktop's reads are sent, so that they also pass a pooler in transaction mode.

#include <boost/asio/awaitable.hpp>
#include <boost/asio/io_context.hpp>

#include <string>

struct pg_conn;

namespace clerks {

class ConexaoBanco {
public:
    explicit ConexaoBanco(boost::asio::io_context& io) : io_(io) {}
    ~ConexaoBanco();
    ConexaoBanco(const ConexaoBanco&) = delete;
    ConexaoBanco& operator=(const ConexaoBanco&) = delete;

    boost::asio::awaitable<void> abre(const std::string& url);
    // Runs one statement; answers how many rows came. Throws std::runtime_error on failure.
    boost::asio::awaitable<int> consulta(const std::string& sql);
    // A value written into a statement: quoted, its quotes doubled.
    static std::string literal(const std::string& valor);

private:
    boost::asio::awaitable<void> espera(bool escrita);

    boost::asio::io_context& io_;
    pg_conn* conexao_ = nullptr;
};

} // namespace clerks
