// Browsing the sample list as a user holding Down does: each move loads the items of the
// sample reached from the application server (GetItemAmostra) into the item grid. Measured
// beside the bare GetItemAmostra call on the same connection, in the same run.
//
//   build/bin/est25000_bench [--benchmark_min_time=2]
//
// Each benchmark reports the median of its individual operations (median_us);
// BM_MoverEChamarAlternados also the bare call's median taken in turns with the moves
// (call_median_us) and their ratio.
#include <Cli_est25000.h>
#include <Cli_est25200.h>

#include <Application.h>
#include <Buttonflat.h>
#include <ClientDataSet.h>
#include <Configuration.h>
#include <DbGeral.h>
#include <Dialogs.h>
#include <EmbeddedServer.h>
#include <Netconnection.h>
#include <Quorvan.h>

#include <QApplication>
#include <QJsonArray>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Cenario {
    QTemporaryDir pasta;
    std::unique_ptr<server::EmbeddedServer> servidor;
    std::unique_ptr<host::DialogScript> script;
    QStringList numeros;

    // Demo data at scale 3 (about 1,500 samples), the server in-process on loopback, and the
    // screen open with the whole list.
    Cenario() {
        const QString banco = QStringLiteral("sqlite:") + pasta.filePath(QStringLiteral("b.db"));
        server::ServerOptions opcoes;
        opcoes.databaseUrl = banco;
        opcoes.init = true;
        opcoes.demoScale = 3;
        opcoes.threads = 2;
        opcoes.token = QStringLiteral("bench");
        servidor = std::make_unique<server::EmbeddedServer>(opcoes);
        const int porta = servidor->start();
        host::Configuration::Override(host::cfg::kServer,
                                      QStringLiteral("127.0.0.1:%1").arg(porta));
        host::Configuration::Override(host::cfg::kPicture, QStringLiteral("9.99.999"));
        TNetConnection::SetAccessToken(opcoes.token);
        dtmDBGeral::Open(banco);
        script = std::make_unique<host::DialogScript>();
        script->OnModal([](host::TForm& f) {
            dynamic_cast<Cli_est25200::TfrmFiltroAmostraProc&>(f).sbtConfirma->Click();
        });
        Cli_est25000::CriaAmostraProc();
        if (!Cli_est25000::frmAmostraProc->Active())
            Cli_est25000::frmAmostraProc->DoActivate();
        auto* amostras = Cli_est25000::frmAmostraProc->cdsAmostraProc;
        const int nr = amostras->fieldByName(QStringLiteral("NRAMOSTRA"))->index();
        for (const dataset::Row& row : amostras->data().rows)
            numeros << row.value(nr).toString();
    }
};

Cenario& cenario() {
    static Cenario c;
    return c;
}

double medianaDe(std::vector<double>& tempos) {
    std::nth_element(tempos.begin(), tempos.begin() + tempos.size() / 2, tempos.end());
    return tempos[tempos.size() / 2];
}

void mediana(benchmark::State& state, std::vector<double>& tempos) {
    if (!tempos.empty())
        state.counters["median_us"] = medianaDe(tempos);
}

double micros(Clock::time_point inicio) {
    return std::chrono::duration<double, std::micro>(Clock::now() - inicio).count();
}

// One move in the list: the items of the sample reached come from the server.
// Moves through the first 1,000 samples (round and round), timing each move.
std::vector<double> moveMil(benchmark::State& state, dataset::ClientDataSet* amostras) {
    amostras->first();
    std::vector<double> tempos;
    for (auto _ : state) {
        if (amostras->recNo() >= 1000)
            amostras->first();
        const auto inicio = Clock::now();
        amostras->next();
        tempos.push_back(micros(inicio));
    }
    return tempos;
}

void BM_MoverAmostra(benchmark::State& state) {
    Cenario& c = cenario();
    auto* amostras = Cli_est25000::frmAmostraProc->cdsAmostraProc;
    if (amostras->recordCount() < 1000) {
        state.SkipWithError("fewer than 1,000 samples");
        return;
    }
    std::vector<double> tempos = moveMil(state, amostras);
    state.counters["samples"] = c.numeros.size();
    mediana(state, tempos);
}

// The bare server call the move makes, on the screen's own connection.
void BM_GetItemAmostra(benchmark::State& state) {
    Cenario& c = cenario();
    TNetConnection* net = Cli_est25000::frmAmostraProc->netAmostraProc;
    std::vector<double> tempos;
    int i = 0;
    for (auto _ : state) {
        const QJsonArray args{c.numeros[i++ % 1000], QStringLiteral("3")};
        const auto inicio = Clock::now();
        benchmark::DoNotOptimize(net->Call(QStringLiteral("GetItemAmostra"), args));
        tempos.push_back(micros(inicio));
    }
    mediana(state, tempos);
}

// The client's side of loading the items without the server: the answers' texts fetched
// beforehand (as a move fetches them) are read into the item dataset and shown by the item grid.
void BM_CarregaItens(benchmark::State& state) {
    Cenario& c = cenario();
    Cli_est25000::TfrmAmostraProc* tela = Cli_est25000::frmAmostraProc;
    QList<QByteArray> respostas;
    for (int i = 0; i < 100; ++i)
        respostas << tela->netAmostraProc->CallText(QStringLiteral("GetItemAmostra"),
                                                    QJsonArray{c.numeros[i], QStringLiteral("3")});
    std::vector<double> tempos;
    int i = 0;
    for (auto _ : state) {
        const auto inicio = Clock::now();
        tela->cdsItemAmostra->setDataJsonText(respostas[i++ % 100]);
        tempos.push_back(micros(inicio));
    }
    mediana(state, tempos);
}

BENCHMARK(BM_GetItemAmostra)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CarregaItens)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MoverAmostra)->Unit(benchmark::kMicrosecond);

// A move and the bare call taken in turns, so that both meet the same load on the machine:
// the ratio of their medians is the one the target speaks of, less disturbed by the load
// changing between two benchmarks run one after the other.
void BM_MoverEChamarAlternados(benchmark::State& state) {
    Cenario& c = cenario();
    auto* amostras = Cli_est25000::frmAmostraProc->cdsAmostraProc;
    TNetConnection* net = Cli_est25000::frmAmostraProc->netAmostraProc;
    amostras->first();
    std::vector<double> movimentos;
    std::vector<double> chamadas;
    int i = 0;
    for (auto _ : state) {
        const QJsonArray args{c.numeros[i++ % 1000], QStringLiteral("3")};
        auto inicio = Clock::now();
        benchmark::DoNotOptimize(net->Call(QStringLiteral("GetItemAmostra"), args));
        chamadas.push_back(micros(inicio));
        if (amostras->recNo() >= 1000)
            amostras->first();
        inicio = Clock::now();
        amostras->next();
        movimentos.push_back(micros(inicio));
    }
    if (movimentos.empty())
        return;
    const double movimento = medianaDe(movimentos);
    const double chamada = medianaDe(chamadas);
    state.counters["median_us"] = movimento;
    state.counters["call_median_us"] = chamada;
    state.counters["ratio"] = movimento / chamada;
}
BENCHMARK(BM_MoverEChamarAlternados)->Unit(benchmark::kMicrosecond);

void BM_MoverSemExibir(benchmark::State& state) {
    auto* amostras = Cli_est25000::frmAmostraProc->cdsAmostraProc;
    auto* itens = Cli_est25000::frmAmostraProc->cdsItemAmostra;
    amostras->disableControls();
    itens->disableControls();
    std::vector<double> tempos = moveMil(state, amostras);
    amostras->enableControls();
    itens->enableControls();
    mediana(state, tempos);
}
BENCHMARK(BM_MoverSemExibir)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Quorvan::InstallMessageHook();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
