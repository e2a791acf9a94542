#pragma once
// One simulated clerk at the sample screen, at human pace: a filter, moves in the list, a new
// invoice sample typed field by field (the header's lookups read from the database directly,
// the rest asked of the server), three items, Confirm; then a pause, about one sample a
// minute. It holds what the desktop holds: three keep-alive connections to its application
// server (the screen's module, the module's second connection for the items read while the
// screen lays out, the stock module) and one database connection of its own.

#include "Banco.h"
#include "Casos.h"
#include "Http.h"
#include "Medidas.h"

#include <boost/asio/awaitable.hpp>
#include <boost/asio/io_context.hpp>

#include <chrono>
#include <random>
#include <string>

namespace clerks {

using Relogio = std::chrono::steady_clock;

// What every clerk of a run shares; read-only while they work.
struct Turno {
    const Casos* casos = nullptr;
    std::string urlBanco;         // the desktops' database (through the pooler)
    std::string token;            // the servers' access token
    double ritmo = 60;            // seconds a sample takes, pauses included, on average
    Relogio::time_point aquecido; // actions before this are not counted
    Relogio::time_point fim;      // no new sample is begun after it
    int atendentes = 0;           // clerks in the run
};

class Atendente {
public:
    Atendente(boost::asio::io_context& io, int numero, boost::asio::ip::tcp::endpoint servidor,
              const Turno& turno, Medidas& medidas);

    // Opens, then types samples until the end of the turn. Never throws: a failed action is
    // counted under its name, and the clerk goes on with the next sample.
    boost::asio::awaitable<void> trabalha(Relogio::duration atraso);
    int amostrasGravadas() const { return gravadas_; }

private:
    boost::asio::awaitable<void> pensa(double segundos);
    template <class Acao> boost::asio::awaitable<bool> mede(const char* nome, Acao acao);
    boost::asio::awaitable<void> amostra(int vez);

    boost::asio::io_context& io_;
    int numero_;
    const Turno& turno_;
    Medidas& medidas_;
    Credenciais credenciais_;
    ConexaoHttp modulo_, itens_, estoque_;
    ConexaoBanco banco_;
    std::mt19937 sorte_;
    long inicio_ = 0;   // first sample of its filter
    std::string marca_; // the list's change mark, from its last reading
    int gravadas_ = 0;
};

} // namespace clerks
