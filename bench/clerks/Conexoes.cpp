#include "Conexoes.h"

#include <libpq-fe.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace clerks {

ContaConexoes::ContaConexoes(const std::string& url, const std::string& banco) {
    PGconn* c = PQconnectdb(url.c_str());
    if (PQstatus(c) != CONNECTION_OK) {
        const std::string erro = PQerrorMessage(c);
        PQfinish(c);
        throw std::runtime_error("contagem de conexões: " + erro);
    }
    // The clerks' connections reach PostgreSQL through the pooler under their application
    // name; the rest on the database are the servers'.
    const std::string sql = "SELECT count(*), count(*) FILTER (WHERE application_name = "
                            "'est-atendente') FROM pg_stat_activity WHERE datname = '" +
                            banco + "'";
    thread_ = std::thread([this, c, sql] {
        while (!parar_) {
            PGresult* r = PQexec(c, sql.c_str());
            if (PQresultStatus(r) == PGRES_TUPLES_OK) {
                const int todas = std::atoi(PQgetvalue(r, 0, 0));
                if (todas > maximo_) {
                    maximo_ = todas;
                    doPooler_ = std::atoi(PQgetvalue(r, 0, 1));
                }
            }
            PQclear(r);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        PQfinish(c);
    });
}

ContaConexoes::~ContaConexoes() {
    parar_ = true;
    thread_.join();
}

} // namespace clerks
