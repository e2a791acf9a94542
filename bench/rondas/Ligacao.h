#pragma once
// A loopback TCP link between a client and a server, on its own thread: it forwards both
// ways, may hold every chunk for a fixed time (a slower network), and counts what the
// client asks: HTTP requests (with their paths) or PostgreSQL statements (simple queries and
// executions of prepared ones). The benchmarks put it between the desktop and the
// application server, between the desktop and the database, and between the server and the
// database.

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace bancada {

enum class Protocolo { Http, Postgres };

class Ligacao {
public:
    // Listens on a free loopback port and forwards to 127.0.0.1:portaDestino.
    Ligacao(Protocolo protocolo, int portaDestino);
    ~Ligacao();
    Ligacao(const Ligacao&) = delete;
    Ligacao& operator=(const Ligacao&) = delete;

    int porta() const { return porta_; }
    // The round trip the link adds: half of it on each way.
    void atraso(std::chrono::microseconds idaEVolta) { atraso_ = idaEVolta.count() / 2; }

    // HTTP requests or database statements seen so far.
    long pedidos() const { return pedidos_.load(); }
    // What each request asked, in order: the path of an HTTP request (the remote method), the
    // first word of a database statement (SELECT, PREPARE, EXECUTE, DEALLOCATE...).
    std::vector<std::string> caminhos() const;
    // Connections open at this moment, and the most open at once.
    int abertas() const { return abertas_.load(); }

    struct Impl;

private:
    friend struct Impl;
    std::unique_ptr<Impl> impl_;
    std::thread thread_;
    int porta_ = 0;
    std::atomic<long long> atraso_{0}; // one way, µs
    std::atomic<long> pedidos_{0};
    std::atomic<int> abertas_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> caminhos_;
};

} // namespace bancada
