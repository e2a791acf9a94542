// Posting an item of the item grid by leaving its row, with the checks its post runs (the
// product lookup, the two stock-library calls, the product validation, the quantity), beside
// the bare query and library calls those checks make, taken in turns in the same run.
//
//   build/bin/est25000_itens_bench [--benchmark_min_time=2]
//
// Reports the medians of one post (median_us) and of the bare calls (bare_median_us) and
// their ratio.
#include <Cli_est25000.h>
#include <Cli_est25200.h>

#include <Adoibquery.h>
#include <Buttonflat.h>
#include <ClientDataSet.h>
#include <Configuration.h>
#include <DBGrid.h>
#include <DbGeral.h>
#include <Dialogs.h>
#include <EmbeddedServer.h>
#include <Lib00200.h>
#include <Lib00210.h>
#include <Netconnection.h>
#include <Quorvan.h>

#include <QApplication>
#include <QSqlQuery>
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
    Cli_est25000::TfrmAmostraProc* tela = nullptr;

    // Demo data, the server in-process on loopback, the screen open on a sample with two
    // items the current branch may use, the focus in the item grid (so the checks run whole).
    Cenario() {
        const QString banco = QStringLiteral("sqlite:") + pasta.filePath(QStringLiteral("b.db"));
        server::ServerOptions opcoes;
        opcoes.databaseUrl = banco;
        opcoes.init = true;
        opcoes.demoScale = 1;
        opcoes.threads = 4; // a worker for each of the screen's connections
        opcoes.token = QStringLiteral("bench");
        servidor = std::make_unique<server::EmbeddedServer>(opcoes);
        const int porta = servidor->start();
        host::Configuration::Override(host::cfg::kServer,
                                      QStringLiteral("127.0.0.1:%1").arg(porta));
        host::Configuration::Override(host::cfg::kPicture, QStringLiteral("9.99.999"));
        host::Configuration::Override(host::cfg::kBranch, QStringLiteral("0001"));
        TNetConnection::SetAccessToken(opcoes.token);
        dtmDBGeral::Open(banco);
        script = std::make_unique<host::DialogScript>();
        script->OnModal([](host::TForm& f) {
            dynamic_cast<Cli_est25200::TfrmFiltroAmostraProc&>(f).sbtConfirma->Click();
        });
        Cli_est25000::CriaAmostraProc();
        tela = Cli_est25000::frmAmostraProc;
        if (!tela->Active())
            tela->DoActivate();
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

double medianaDe(std::vector<double>& tempos) {
    std::nth_element(tempos.begin(), tempos.begin() + tempos.size() / 2, tempos.end());
    return tempos[tempos.size() / 2];
}

double micros(Clock::time_point inicio) {
    return std::chrono::duration<double, std::micro>(Clock::now() - inicio).count();
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
