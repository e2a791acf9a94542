// Confirming a new sample with 10 items, from the Confirm button to the cursor on the stored
// sample in the reloaded list (about 500 samples listed), beside the bare calls that the
// confirmation makes on the same connection: ConfirmaAmostra with the same packets, the
// filter's GetAmostraProc and the two GetItemAmostra of the reload (the first sample, then the
// stored one). Both are taken in turns in one run; the ratio is of their medians.
//
//   QT_QPA_PLATFORM=offscreen build/bin/est25000_confirmacao_bench
//
// Filling the header and the 10 items (with their checks) is not timed. What each turn
// stores is deleted again, untimed, so the list keeps its size.
#include "Gravacao.h"

#include <est25000/Cli_est25000.h>
#include <est25000/Cli_est25200.h>

#include <dataset/ClientDataSet.h>
#include <dataset/DataPacket.h>
#include <host/controls/Buttonflat.h>
#include <host/core/Configuration.h>
#include <host/database/DbGeral.h>
#include <host/forms/Dialogs.h>
#include <host/library/Quorvan.h>
#include <host/remote/Netconnection.h>
#include <server/EmbeddedServer.h>

#include <QApplication>
#include <QJsonArray>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace est25000::teste;

struct Cenario {
    QTemporaryDir pasta;
    std::unique_ptr<server::EmbeddedServer> servidor;
    std::unique_ptr<host::DialogScript> script;
    CasoEstoque caso;

    Cenario() {
        const QString banco = QStringLiteral("sqlite:") + pasta.filePath(QStringLiteral("c.db"));
        server::ServerOptions opcoes;
        opcoes.databaseUrl = banco;
        opcoes.init = true;
        opcoes.demoScale = 1;
        opcoes.threads = 4; // more than the screen's three keep-alive connections
        opcoes.token = QStringLiteral("bench");
        servidor = std::make_unique<server::EmbeddedServer>(opcoes);
        const int porta = servidor->start();
        host::Configuration::Override(host::cfg::kServer,
                                      QStringLiteral("127.0.0.1:%1").arg(porta));
        host::Configuration::Override(host::cfg::kDatabase, banco);
        host::Configuration::Override(host::cfg::kPicture, QStringLiteral("9.99.999"));
        host::Configuration::Override(host::cfg::kBranch, QStringLiteral("0001"));
        TNetConnection::SetAccessToken(opcoes.token);
        dtmDBGeral::Open(banco);
        caso = casoEstoque(dtmDBGeral::Database(), 10);
        script = std::make_unique<host::DialogScript>();
        script->OnModal([](host::TForm& f) {
            dynamic_cast<Cli_est25200::TfrmFiltroAmostraProc&>(f).sbtConfirma->Click();
        });
        Cli_est25000::CriaAmostraProc();
        if (!Cli_est25000::frmAmostraProc->Active())
            Cli_est25000::frmAmostraProc->DoActivate();
    }
};

Cenario& cenario() {
    static Cenario c;
    return c;
}

double medianaDe(std::vector<double> tempos) {
    std::nth_element(tempos.begin(), tempos.begin() + tempos.size() / 2, tempos.end());
    return tempos[tempos.size() / 2];
}

double micros(Clock::time_point inicio) {
    return std::chrono::duration<double, std::micro>(Clock::now() - inicio).count();
}

// The sample being typed as the insert its post will log.
QJsonValue pacoteDaAmostraNova(dataset::ClientDataSet* amostra) {
    dataset::ChangePacket pacote;
    dataset::Row linha;
    for (dataset::Field* f : amostra->fields()) {
        if (f->isCalculated())
            continue;
        pacote.fields.append({f->fieldName(), f->dataType(), f->size()});
        linha.append(f->value());
    }
    pacote.changes.append({dataset::ChangeKind::Insert, {}, linha});
    return dataset::changePacketToJson(pacote);
}

void apaga(const QString& nr) {
    QSqlQuery q(dtmDBGeral::Database());
    for (const char* tabela : {"ITEMAMOSTRAPROC", "AMOSTRAPROC"}) {
        q.prepare(QStringLiteral("DELETE FROM %1 WHERE NRAMOSTRA = ?").arg(QLatin1String(tabela)));
        q.addBindValue(nr);
        q.exec();
    }
}

void BM_ConfirmarEChamadasAlternados(benchmark::State& state) {
    Cenario& c = cenario();
    Cli_est25000::TfrmAmostraProc* tela = Cli_est25000::frmAmostraProc;
    TNetConnection* net = tela->netAmostraProc;
    const QJsonArray filtro{"T", " ", " ", "T", " ", "T", " ", " "};
    // The list at about 500 samples: the demo's and some stored beforehand.
    const int listadas =
        conta(dtmDBGeral::Database(), QStringLiteral("SELECT COUNT(*) FROM AMOSTRAPROC"));
    std::vector<double> confirmacoes;
    std::vector<double> chamadas;
    bool primeiro = true;
    for (auto _ : state) {
        state.PauseTiming();
        clica(tela->sbtIncluir);
        preencheCabecalho(*tela, QStringLiteral("Medida"), c.caso.inNatura, 10);
        for (int i = 0; i < 10; ++i)
            adicionaItem(*tela, c.caso.itens[i], 1, i == 0);
        // The branch the confirmation gives the sample, for the bare call's packet.
        tela->cdsAmostraProc->fieldByName(QStringLiteral("CDFILIAL"))
            ->setAsString(QStringLiteral("0001"));
        const QJsonArray argumentos{dataset::changePacketToJson(tela->cdsItemAmostra->delta()),
                                    pacoteDaAmostraNova(tela->cdsAmostraProc)};
        if (primeiro)
            for (int i = listadas; i < 500; ++i)
                net->Call(QStringLiteral("ConfirmaAmostra"), argumentos);
        primeiro = false;
        const QString primeiroDaLista =
            tela->cdsAmostraProc->fieldByName(QStringLiteral("NRAMOSTRA"))->asString();
        // What the typing left to the event loop (repaints, layouts) is done before the
        // button is pressed, as it is while a clerk types.
        QCoreApplication::processEvents();
        state.ResumeTiming();

        // The bare calls the confirmation makes.
        auto inicio = Clock::now();
        const QJsonArray resposta =
            net->Call(QStringLiteral("ConfirmaAmostra"), argumentos).toArray();
        const QString nrAvulsa = resposta.at(1).toString();
        benchmark::DoNotOptimize(net->CallText(QStringLiteral("GetAmostraProc"), filtro));
        benchmark::DoNotOptimize(net->CallText(QStringLiteral("GetItemAmostra"),
                                               QJsonArray{primeiroDaLista, QStringLiteral("3")}));
        benchmark::DoNotOptimize(net->CallText(QStringLiteral("GetItemAmostra"),
                                               QJsonArray{nrAvulsa, QStringLiteral("3")}));
        chamadas.push_back(micros(inicio));

        // The button, to the cursor on the stored sample.
        inicio = Clock::now();
        tela->sbtConfirmar->Click();
        // Until the screen shows it: the repaints the confirmation left to the event loop.
        QCoreApplication::processEvents();
        confirmacoes.push_back(micros(inicio));

        state.PauseTiming();
        const QString nr =
            tela->cdsAmostraProc->fieldByName(QStringLiteral("NRAMOSTRA"))->asString();
        if (nr.isEmpty() || nr == nrAvulsa || tela->cdsItemAmostra->recordCount() != 10)
            state.SkipWithError("the confirmation did not land on the stored sample");
        state.counters["listed"] = tela->cdsAmostraProc->recordCount();
        apaga(nrAvulsa);
        apaga(nr);
        state.ResumeTiming();
    }
    if (confirmacoes.empty())
        return;
    const double confirmacao = medianaDe(confirmacoes);
    const double soma = medianaDe(chamadas);
    state.counters["median_us"] = confirmacao;
    state.counters["calls_median_us"] = soma;
    state.counters["ratio"] = confirmacao / soma;
}
BENCHMARK(BM_ConfirmarEChamadasAlternados)->Unit(benchmark::kMicrosecond)->Iterations(40);

} // namespace
