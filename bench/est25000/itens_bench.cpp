// Posting an item of the item grid by leaving its row, with the checks its post runs (the
// product lookup, the two stock-library calls, the product validation, the quantity), beside
// the bare query and library calls those checks make, taken in turns in the same run.
//
//   build/bin/est25000_itens_bench [--benchmark_min_time=2]
//
// Reports the medians of one post (median_us) and of the bare calls (bare_median_us) and
// their ratio.
#include "Bancada.h"

#include <dataset/ClientDataSet.h>
#include <host/database/Adoibquery.h>
#include <host/database/DbGeral.h>
#include <host/dbcontrols/DBGrid.h>
#include <host/library/Lib00200.h>
#include <host/library/Lib00210.h>
#include <host/library/Quorvan.h>

#include <QSqlQuery>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace {

using namespace est25000::bench;

// The screen open on a sample with two items the current branch may use, the focus in the
// item grid (so the checks run whole).
struct Cenario : TelaAberta {
    Cenario() : TelaAberta(1) {
        QSqlQuery query(dtmDBGeral::Database());
        query.exec(QStringLiteral(
            "SELECT A.NRAMOSTRA FROM AMOSTRAPROC A WHERE (SELECT COUNT(*) FROM ITEMAMOSTRAPROC I "
            "WHERE I.NRAMOSTRA = A.NRAMOSTRA) >= 2 AND NOT EXISTS (SELECT 1 FROM ITEMAMOSTRAPROC "
            "I JOIN PRODFILIAL PF ON PF.CDPRODUTO = I.CDPRODUTO AND PF.CDFILIAL = '0001' WHERE "
            "I.NRAMOSTRA = A.NRAMOSTRA AND PF.IDATIVO <> 'S') ORDER BY A.NRAMOSTRA"));
        if (query.next())
            tela->cdsAmostraProc->locate(QStringLiteral("NRAMOSTRA"), query.value(0));
        tela->dbgItensAmostra->SetFocus();
    }
};

Cenario& cenario() {
    static Cenario c;
    return c;
}

// One item edited (its quantity), then posted by moving to the other item, as Down and Up
// do in the grid; and the calls its checks make, bare, on the same item.
void BM_PostarItemEChamadas(benchmark::State& state) {
    Cenario& c = cenario();
    Cli_est25000::TfrmAmostraProc* tela = c.tela;
    dataset::ClientDataSet* itens = tela->cdsItemAmostra;
    if (itens->recordCount() < 2 || tela->ActiveControl() != tela->dbgItensAmostra) {
        state.SkipWithError("no sample with two usable items, or the grid is not focused");
        return;
    }
    dataset::Field* quantidade = itens->fieldByName(QStringLiteral("QTPRODGERADO"));
    std::vector<double> postagens;
    std::vector<double> chamadas;
    int passo = 0;
    for (auto _ : state) {
        const QString codigo = itens->fieldByName(QStringLiteral("CDARVPROD"))->asString();
        const QString produto = itens->fieldByName(QStringLiteral("CDPRODUTO"))->asString();
        auto inicio = Clock::now();
        tela->qryValidProdItem->Close();
        tela->qryValidProdItem->ParamByName(QStringLiteral("P_CDPRODUTO"))->SetAsString(codigo);
        tela->qryValidProdItem->Open();
        Lib00200::Almoxarifado_Padrao(tela->netEstoque, Quorvan::FiliProc(), produto);
        Lib00200::LocalEstoque_Padrao(tela->netEstoque, Quorvan::FiliProc(), produto);
        Lib00210::Validacao_Produto(Quorvan::FiliProc(), codigo, QString());
        chamadas.push_back(micros(inicio));

        inicio = Clock::now();
        itens->edit();
        // Up and down by a thousandth, so that every item's sum comes back.
        quantidade->setAsFloat(quantidade->asFloat() + ((passo / 2) % 2 == 0 ? 0.001 : -0.001));
        itens->moveBy(passo++ % 2 == 0 ? 1 : -1);
        postagens.push_back(micros(inicio));
    }
    if (!c.script->Messages().isEmpty()) {
        state.SkipWithError(c.script->LastMessage().toStdString().c_str());
        return;
    }
    const double postagem = medianaDe(postagens);
    const double chamada = medianaDe(chamadas);
    state.counters["median_us"] = postagem;
    state.counters["bare_median_us"] = chamada;
    state.counters["ratio"] = postagem / chamada;
}
BENCHMARK(BM_PostarItemEChamadas)->Unit(benchmark::kMicrosecond);

} // namespace
