// Many desktops at once: N simulated clerks at human pace against two est-server processes on
// one PostgreSQL database, each clerk holding the connections a real desktop holds (three
// keep-alive HTTP connections to its server, one database connection of its own through the
// pooler). Reports p50 and p99 of each action, the most PostgreSQL connections held at once,
// and the first N where a p99 passes 100 ms.
//
//   eval "$(bash scripts/pg-start.sh)"; eval "$(bash scripts/pgbouncer-start.sh)"
//   build/bin/clerks_bench [--atendentes 10,50,100] [--minutos 2] [--ritmo 60] [--escala 10]
//                          [--threads 2]
//
// One database (est_clerks) filled with demo data by the first server; the clerks alternate
// between the two servers. Each N is a run of its own: the clerks start spread over the
// first --ritmo seconds (not counted), then --minutos are measured; at the end of a run every
// clerk stops where it is.
#include "Atendente.h"
#include "Conexoes.h"
#include "Servidores.h"

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>

#include <QCoreApplication>

#include <sys/resource.h>

#include <cstdio>
#include <memory>
#include <string_view>
#include <thread>

using namespace clerks;
namespace asio = boost::asio;

namespace {

const std::string kBanco = "est_clerks";
const std::string kToken = "bancada-de-atendentes";

struct Opcoes {
    std::vector<int> atendentes{10, 50, 100, 250, 500, 1000};
    double minutos = 2, ritmo = 60;
    int escala = 10, threads = 2;
};

Opcoes opcoes(const QStringList& args) {
    Opcoes o;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        const QString nome = args[i], valor = args[i + 1];
        if (nome == QLatin1String("--atendentes")) {
            o.atendentes.clear();
            for (const QString& n : valor.split(QLatin1Char(',')))
                o.atendentes.push_back(n.toInt());
        } else if (nome == QLatin1String("--minutos")) {
            o.minutos = valor.toDouble();
        } else if (nome == QLatin1String("--ritmo")) {
            o.ritmo = valor.toDouble();
        } else if (nome == QLatin1String("--escala")) {
            o.escala = valor.toInt();
        } else if (nome == QLatin1String("--threads")) {
            o.threads = std::max(1, valor.toInt());
        } else {
            throw std::runtime_error("opção desconhecida: " + nome.toStdString());
        }
    }
    return o;
}

// Every socket is a descriptor: four a clerk here, as many on the servers and the pooler.
void elevaLimiteDeDescritores() {
    rlimit limite{};
    if (getrlimit(RLIMIT_NOFILE, &limite) == 0 && limite.rlim_cur < limite.rlim_max) {
        limite.rlim_cur = limite.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limite);
    }
}

// The order the actions come in a sample.
const char* const kAcoes[] = {"abertura",
                              "filtro",
                              "mover na lista",
                              "Incluir",
                              "saída do fornecedor",
                              "saída da série",
                              "saída da nota",
                              "saída do produto",
                              "saída da quantidade",
                              "saída do código do item",
                              "gravação do item",
                              "Confirmar"};

// The machine's load average over the last minute (Linux), to read the run's figures by.
double carga() {
    double umMinuto = 0;
    if (std::FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &umMinuto) != 1)
            umMinuto = 0;
        std::fclose(f);
    }
    return umMinuto;
}

// CPU time of this process so far (user and system), in seconds.
double cpu() {
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    return static_cast<double>(uso.ru_utime.tv_sec + uso.ru_stime.tv_sec) +
           static_cast<double>(uso.ru_utime.tv_usec + uso.ru_stime.tv_usec) / 1e6;
}

struct Rodada {
    int atendentes = 0;
    double cpu = 0; // the bench's own, clerks and counting
    double cargaInicio = 0, cargaFim = 0;
    Medidas medidas;
    int conexoes = 0, doPooler = 0, gravadas = 0;
    double segundos = 0;
};

Rodada roda(const Opcoes& o, int n, const Casos& casos, const std::string& urlAdmin,
            const std::string& urlPooler, const std::vector<int>& portas) {
    Rodada r;
    r.atendentes = n;
    r.cargaInicio = carga();
    const double cpuInicio = cpu();
    Turno turno;
    turno.casos = &casos;
    turno.urlBanco =
        comBanco(urlPooler, kBanco) + "?user=est_leitura&application_name=est-atendente";
    turno.token = kToken;
    turno.ritmo = o.ritmo;
    turno.atendentes = n;
    const auto inicio = Relogio::now();
    const auto ritmo =
        std::chrono::duration_cast<Relogio::duration>(std::chrono::duration<double>(o.ritmo));
    turno.aquecido = inicio + ritmo;
    turno.fim = turno.aquecido + std::chrono::duration_cast<Relogio::duration>(
                                     std::chrono::duration<double>(o.minutos * 60));

    std::vector<std::unique_ptr<asio::io_context>> contextos;
    std::vector<Medidas> medidas(static_cast<std::size_t>(o.threads));
    for (int t = 0; t < o.threads; ++t)
        contextos.push_back(std::make_unique<asio::io_context>(1));
    std::vector<std::unique_ptr<Atendente>> atendentes;
    std::mt19937 sorte(20261208);
    std::uniform_real_distribution<double> partida(0, o.ritmo);
    for (int i = 0; i < n; ++i) {
        const auto t = static_cast<std::size_t>(i % o.threads);
        const asio::ip::tcp::endpoint servidor(
            asio::ip::make_address("127.0.0.1"),
            static_cast<unsigned short>(portas[i % portas.size()]));
        atendentes.push_back(
            std::make_unique<Atendente>(*contextos[t], i, servidor, turno, medidas[t]));
        const auto atraso = std::chrono::duration_cast<Relogio::duration>(
            std::chrono::duration<double>(partida(sorte)));
        asio::co_spawn(*contextos[t], atendentes.back()->trabalha(atraso), asio::detached);
    }
    {
        ContaConexoes conta(urlAdmin, kBanco);
        std::vector<std::thread> threads;
        for (auto& c : contextos)
            threads.emplace_back([&c] { c->run(); });
        for (auto& t : threads)
            t.join();
        r.conexoes = conta.maximo();
        r.doPooler = conta.doPoolerNoMaximo();
    }
    for (const Medidas& m : medidas)
        r.medidas.junta(m);
    for (const auto& a : atendentes)
        r.gravadas += a->amostrasGravadas();
    r.segundos = std::chrono::duration<double>(Relogio::now() - inicio).count();
    r.cargaFim = carga();
    r.cpu = cpu() - cpuInicio;
    return r;
}

void mostra(const Rodada& r, const Opcoes& o) {
    std::printf("\n== %d atendentes: %.0f s (%.0f s de partida, %.1f min medidos); %d amostras "
                "gravadas; conexões no PostgreSQL, no máximo: %d (%d do pooler); carga da "
                "máquina %.1f no início, %.1f no fim; CPU da bancada %.0f s\n",
                r.atendentes, r.segundos, o.ritmo, o.minutos, r.gravadas, r.conexoes, r.doPooler,
                r.cargaInicio, r.cargaFim, r.cpu);
    std::printf("| ação | n | p50 (ms) | p99 (ms) | máx. (ms) | falhas "
                "|\n|---|---:|---:|---:|---:|---:|\n");
    for (const char* acao : kAcoes) {
        const Medidas::Resumo s = r.medidas.resumo(acao);
        const auto f = r.medidas.falhas().find(acao);
        std::printf("| %s | %zu | %.1f | %.1f | %.1f | %d |\n", acao, s.n, s.p50, s.p99, s.maximo,
                    f == r.medidas.falhas().end() ? 0 : f->second);
    }
    for (const std::string& m : r.medidas.motivos())
        std::printf("falha: %s\n", m.c_str());
    std::fflush(stdout);
}

void resume(const std::vector<Rodada>& rodadas) {
    std::printf("\n== Curva: p50 / p99 (ms) por ação\n| N |");
    for (const char* acao : kAcoes)
        std::printf(" %s |", acao);
    std::printf(" conexões PG (máx.) | falhas |\n|---:|");
    for (std::size_t i = 0; i < std::size(kAcoes); ++i)
        std::printf("---:|");
    std::printf("---:|---:|\n");
    int joelho = 0;
    for (const Rodada& r : rodadas) {
        std::printf("| %d |", r.atendentes);
        bool passou = false;
        for (const char* acao : kAcoes) {
            const Medidas::Resumo s = r.medidas.resumo(acao);
            std::printf(" %.1f / %.1f |", s.p50, s.p99);
            passou = passou || (s.p99 > 100 && std::string_view(acao) != "abertura");
        }
        int falhas = 0;
        for (const auto& [acao, f] : r.medidas.falhas())
            falhas += f;
        std::printf(" %d | %d |\n", r.conexoes, falhas);
        if (passou && !joelho)
            joelho = r.atendentes;
    }
    if (joelho)
        std::printf("\np99 de uma ação passa de 100 ms a partir de N = %d\n", joelho);
    else
        std::printf("\np99 de nenhuma ação passou de 100 ms\n");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    try {
        const Opcoes o = opcoes(app.arguments());
        const QByteArray pg = qgetenv("EST_TEST_PG_URL");
        const QByteArray pooler = qgetenv("EST_PGBOUNCER_URL");
        if (pg.isEmpty() || pooler.isEmpty()) {
            std::fprintf(stderr,
                         "EST_TEST_PG_URL e EST_PGBOUNCER_URL: eval \"$(bash "
                         "scripts/pg-start.sh)\"; eval \"$(bash scripts/pgbouncer-start.sh)\"\n");
            return 2;
        }
        elevaLimiteDeDescritores();
        const std::string urlAdmin = pg.toStdString();
        const std::string url = criaBanco(urlAdmin, kBanco);
        std::vector<Rodada> rodadas;
        {
            std::printf("Preenchendo %s (escala %d) e subindo dois est-server...\n", kBanco.c_str(),
                        o.escala);
            std::fflush(stdout);
            const QString banco = QString::fromStdString(url);
            Servidor a({"--database", banco, "--init", "--demo", QString::number(o.escala)},
                       QString::fromStdString(kToken));
            Servidor b({"--database", banco}, QString::fromStdString(kToken));
            const Casos casos = leCasos(url);
            double capacidade = 0;
            for (const CasoNota& c : casos.notas)
                capacidade += c.disponivel;
            std::printf("Servidores nas portas %d e %d; %zu linhas de nota (%.0f unidades livres); "
                        "amostras %ld a %ld\n",
                        a.porta(), b.porta(), casos.notas.size(), capacidade, casos.primeiraAmostra,
                        casos.ultimaAmostra);
            for (int n : o.atendentes) {
                rodadas.push_back(
                    roda(o, n, casos, urlAdmin, pooler.toStdString(), {a.porta(), b.porta()}));
                mostra(rodadas.back(), o);
            }
        }
        resume(rodadas);
        apagaBanco(urlAdmin, kBanco);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "clerks_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
