// Browsing the sample list as a user holding Down does: each move loads the items of the
// sample reached from the application server (GetItemAmostra) into the item grid. Measured
// beside the bare GetItemAmostra call on the same connection, in the same run.
//
//   build/bin/est25000_bench [--benchmark_min_time=2]
//
// Each benchmark reports the median of its individual operations (median_us);
// BM_MoverEChamarAlternados also the bare call's median taken in turns with the moves
// (call_median_us) and their ratio.
#include "Bancada.h"

#include <dataset/ClientDataSet.h>
#include <host/forms/Application.h>
#include <host/library/Quorvan.h>

#include <QJsonArray>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

namespace {

using namespace est25000::bench;

// Demo data at scale 3 (about 1,500 samples) and the numbers of the samples listed.
struct Cenario : est25000::bench::TelaAberta {
    QStringList numeros;

    Cenario() : TelaAberta(3) {
        auto* amostras = tela->cdsAmostraProc;
        const int nr = amostras->fieldByName(QStringLiteral("NRAMOSTRA"))->index();
        for (const dataset::Row& row : amostras->data().rows)
            numeros << row.value(nr).toString();
    }
};

Cenario& cenario() {
    static Cenario c;
    return c;
}

void mediana(benchmark::State& state, std::vector<double>& tempos) {
    if (!tempos.empty())
        state.counters["median_us"] = medianaDe(tempos);
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
