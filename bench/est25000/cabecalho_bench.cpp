// Leaving the header edits that look something up, as a user leaving them with the focus does,
// each taken in turns with the bare work it makes in the same run:
//  - the supplier edit with a valid tax id: its supplier query (qryFornecedor);
//  - the invoice-number edit: its two server calls (GetParamEstoque, GetNotaFiscal).
//
//   build/bin/est25000_cabecalho_bench [--benchmark_repetitions=5]
//
// Each reports the median of the leaves (median_us), the median of the bare work (bare_us)
// and their ratio.
#include "Bancada.h"

#include <dataset/ClientDataSet.h>
#include <host/database/Adoibquery.h>
#include <host/dbcontrols/DBControls.h>
#include <host/library/Quorvan.h>

#include <QJsonArray>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

namespace {

using namespace est25000::bench;
using Cli_est25000::TfrmAmostraProc;

// Demo data at scale 1, the screen open and a sample with a supplier's invoice being edited.
struct Cenario : est25000::bench::TelaAberta {
    Cenario() : TelaAberta(1) {
        dataset::ClientDataSet* amostras = tela->cdsAmostraProc;
        for (amostras->first(); campo("NRNOTAFISC").isEmpty() && !amostras->eof();)
            amostras->next();
        amostras->edit();
    }
    QString campo(const char* nome) const {
        return tela->cdsAmostraProc->fieldByName(QString::fromLatin1(nome))->asString();
    }
};

Cenario& cenario() {
    static Cenario c;
    return c;
}

void relata(benchmark::State& state, std::vector<double>& saidas, std::vector<double>& puros) {
    if (saidas.empty())
        return;
    const double saida = medianaDe(saidas);
    const double puro = medianaDe(puros);
    state.counters["median_us"] = saida;
    state.counters["bare_us"] = puro;
    state.counters["ratio"] = saida / puro;
}

// The focus from the supplier edit to the series edit (the supplier's check, its mask and
// the dependents), beside the supplier query alone. The way back is not timed.
void BM_SairFornecedor(benchmark::State& state) {
    Cenario& c = cenario();
    TfrmAmostraProc* tela = c.tela;
    const QString numero = c.campo("NRINSJURNF");
    std::vector<double> saidas;
    std::vector<double> puros;
    for (auto _ : state) {
        auto inicio = Clock::now();
        tela->qryFornecedor->Close();
        tela->qryFornecedor->ParamByName(QStringLiteral("P_NRINSJURFORN"))->SetAsString(numero);
        tela->qryFornecedor->ParamByName(QStringLiteral("P_TNRINSJURFORN"))->SetAsString({});
        tela->qryFornecedor->Open();
        puros.push_back(micros(inicio));

        state.PauseTiming();
        tela->dbeNrInscForn->SetFocus();
        state.ResumeTiming();
        inicio = Clock::now();
        tela->dbeCdSerie->SetFocus();
        saidas.push_back(micros(inicio));
        if (c.campo("NMRAZSOCFORN").isEmpty())
            state.SkipWithError("the supplier was not found");
    }
    relata(state, saidas, puros);
}
BENCHMARK(BM_SairFornecedor)->Unit(benchmark::kMicrosecond);

// The focus from the invoice-number edit to the series edit (the invoice check: the branch's
// stock parameters and the invoice from the server), beside the two calls alone.
void BM_SairNotaFiscal(benchmark::State& state) {
    Cenario& c = cenario();
    TfrmAmostraProc* tela = c.tela;
    // Leaving the supplier edit may have cleared the number: the stored sample's again.
    tela->cdsAmostraProc->cancel();
    tela->cdsAmostraProc->edit();
    const QJsonArray parametros{Quorvan::FiliProc(), QStringLiteral("E"), QStringLiteral("10")};
    const QJsonArray nota{c.campo("CDFORNECED"), c.campo("CDSERIEENTR"), c.campo("NRNOTAFISC"),
                          QString()};
    std::vector<double> saidas;
    std::vector<double> puros;
    for (auto _ : state) {
        auto inicio = Clock::now();
        benchmark::DoNotOptimize(
            tela->netEstoque->CallText(QStringLiteral("GetParamEstoque"), parametros));
        benchmark::DoNotOptimize(
            tela->netAmostraProc->CallText(QStringLiteral("GetNotaFiscal"), nota));
        puros.push_back(micros(inicio));

        state.PauseTiming();
        tela->dbeNrNotaFisc->SetFocus();
        state.ResumeTiming();
        inicio = Clock::now();
        tela->dbeCdSerie->SetFocus();
        saidas.push_back(micros(inicio));
        if (c.campo("NRLANCTONF").isEmpty())
            state.SkipWithError("the invoice was not found");
    }
    relata(state, saidas, puros);
}
BENCHMARK(BM_SairNotaFiscal)->Unit(benchmark::kMicrosecond);

} // namespace
