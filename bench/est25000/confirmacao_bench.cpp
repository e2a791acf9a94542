// The sample screen's actions against the size of the list (the argument: samples listed,
// 500, 20,000 or 100,000). Confirming a new sample with 10 items, from the Confirm button to the
// cursor on the stored sample in the list brought up to date, beside the bare calls that the
// confirmation makes on the same connection: ConfirmaAmostra with the same packets, the
// filter's GetAmostraProcAlteradas (with a mark read just before the sample is typed) and the
// GetItemAmostra of the stored sample. Both are taken in turns in one run; the ratio is of
// their medians. Beside it New, a key typed in the description, a move in the list (Down in its
// grid) and the filter confirmed.
//
//   QT_QPA_PLATFORM=offscreen build/bin/est25000_confirmacao_bench
//   valgrind --tool=callgrind --collect-atstart=no build/bin/est25000_confirmacao_bench
//       --benchmark_filter='BM_Novo/20000'     (one line)
//
// Only the timed part of each operation is collected under callgrind, so the program's total
// divided by the iterations is what one operation costs in instructions. Filling the header and
// the 10 items (with their checks) is not timed. What each turn stores is deleted again,
// untimed, so the list keeps its size; the samples beyond the demo's are written straight to
// the database.
#include "Gravacao.h"
#include "Memoria.h"

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
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_TOGGLE_COLLECT
#endif

#include <algorithm>
#include <chrono>
#include <memory>
#include <stdexcept>
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

// The timed part of an operation: only it is collected under callgrind.
struct Contado {
    Contado() { CALLGRIND_TOGGLE_COLLECT; }
    ~Contado() { CALLGRIND_TOGGLE_COLLECT; }
    Contado(const Contado&) = delete;
    Contado& operator=(const Contado&) = delete;
};

double medianaDe(std::vector<double> tempos) {
    std::nth_element(tempos.begin(), tempos.begin() + tempos.size() / 2, tempos.end());
    return tempos[tempos.size() / 2];
}

using est25000::bench::residente;

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

const QString kCarga = QStringLiteral("Amostra de carga");

// The database holds `quantas` samples, the screen lists them all (the filter confirmed with no
// criterion) and shows the list. The samples beyond the demo's copy a stock sample of another
// product than the case's, already processed, so that they weigh on no check of the case.
void listaCom(int quantas, const QString& produtoDoCaso) {
    QSqlDatabase db = dtmDBGeral::Database();
    const int ha = conta(db, QStringLiteral("SELECT COUNT(*) FROM AMOSTRAPROC"));
    QSqlQuery q(db);
    if (ha < quantas) {
        q.prepare(QStringLiteral("SELECT CDPRODUTO, QTPRODPROC, CDFILIAL FROM AMOSTRAPROC"
                                 " WHERE NRLANCTONF IS NULL AND CDPRODUTO <> ?"
                                 " ORDER BY NRAMOSTRA"));
        q.addBindValue(produtoDoCaso);
        if (!q.exec() || !q.next())
            throw std::runtime_error("no stock sample to copy");
        const QString molde = QStringLiteral("'%1', %2, '%3', 'S')")
                                  .arg(q.value(0).toString())
                                  .arg(q.value(1).toDouble())
                                  .arg(q.value(2).toString());
        q.finish();
        qint64 ultimo =
            valor(db, QStringLiteral("SELECT NRULTIMO FROM NUMERADOR WHERE CDNUMERADOR = "
                                     "'AMOSTRAPROC'"))
                .toLongLong();
        db.transaction();
        for (int falta = quantas - ha; falta > 0;) {
            QStringList linhas;
            for (int i = 0; i < 500 && falta > 0; ++i, --falta)
                linhas << QStringLiteral("('%1', '%2', ")
                                  .arg(++ultimo, 10, 10, QLatin1Char('0'))
                                  .arg(kCarga) +
                              molde;
            if (!q.exec(QStringLiteral("INSERT INTO AMOSTRAPROC (NRAMOSTRA, DSAMOSTRA, "
                                       "CDPRODUTO, QTPRODPROC, CDFILIAL, IDPROCESSADO) VALUES ") +
                        linhas.join(QLatin1String(", "))))
                throw std::runtime_error(q.lastError().text().toStdString());
        }
        q.exec(QStringLiteral("UPDATE NUMERADOR SET NRULTIMO = %1 WHERE CDNUMERADOR = "
                              "'AMOSTRAPROC'")
                   .arg(ultimo));
        db.commit();
    } else if (ha > quantas) {
        // The last samples of the load go.
        q.prepare(QStringLiteral("SELECT NRAMOSTRA FROM AMOSTRAPROC WHERE DSAMOSTRA = ?"
                                 " ORDER BY NRAMOSTRA DESC"));
        q.addBindValue(kCarga);
        q.exec();
        QString limite;
        for (int i = 0; i < ha - quantas && q.next(); ++i)
            limite = q.value(0).toString();
        q.finish();
        q.prepare(QStringLiteral("DELETE FROM AMOSTRAPROC WHERE DSAMOSTRA = ? AND NRAMOSTRA >= ?"));
        q.addBindValue(kCarga);
        q.addBindValue(limite);
        q.exec();
    }
    Cli_est25000::TfrmAmostraProc* tela = Cli_est25000::frmAmostraProc;
    if (tela->cdsAmostraProc->state() != dataset::DataSetState::Browse)
        tela->cdsAmostraProc->cancel();
    Cli_est25200::frmFiltroAmostraProc->sbtConfirma->Click();
    tela->ShowPage(tela->tshFolhaDados);
    QCoreApplication::processEvents();
}

// What one run of a list's size reports: the samples listed and the median.
void relata(benchmark::State& state, const std::vector<double>& tempos) {
    state.counters["listed"] = Cli_est25000::frmAmostraProc->cdsAmostraProc->recordCount();
    if (!tempos.empty())
        state.counters["median_us"] = medianaDe(tempos);
}

// New from the list, to the empty sample shown in the form, as after a confirmation: the list
// just reloaded and the cursor on its last sample (the one stored last).
void BM_Novo(benchmark::State& state) {
    Cenario& c = cenario();
    Cli_est25000::TfrmAmostraProc* tela = Cli_est25000::frmAmostraProc;
    listaCom(static_cast<int>(state.range(0)), c.caso.inNatura.cdProduto);
    std::vector<double> tempos;
    for (auto _ : state) {
        state.PauseTiming();
        Cli_est25200::frmFiltroAmostraProc->sbtConfirma->Click();
        tela->cdsAmostraProc->last();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        {
            Contado contado;
            const auto inicio = Clock::now();
            clica(tela->sbtIncluir);
            QCoreApplication::processEvents();
            tempos.push_back(micros(inicio));
        }
        state.PauseTiming();
        if (tela->cdsAmostraProc->state() != dataset::DataSetState::Insert)
            state.SkipWithError("New did not start a sample");
        tela->cdsAmostraProc->cancel();
        tela->ShowPage(tela->tshFolhaDados);
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    relata(state, tempos);
}
BENCHMARK(BM_Novo)
    ->Arg(500)
    ->Arg(20000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(10);

// A key typed in the description of a new sample: a letter, then Backspace.
void BM_Tecla(benchmark::State& state) {
    Cenario& c = cenario();
    Cli_est25000::TfrmAmostraProc* tela = Cli_est25000::frmAmostraProc;
    listaCom(static_cast<int>(state.range(0)), c.caso.inNatura.cdProduto);
    clica(tela->sbtIncluir);
    QCoreApplication::processEvents();
    QWidget* edit =
        QApplication::focusWidget() ? QApplication::focusWidget() : tela->dbeDescAmostra;
    std::vector<double> tempos;
    int n = 0;
    for (auto _ : state) {
        Contado contado;
        const auto inicio = Clock::now();
        QTest::keyClick(edit, n++ % 2 ? Qt::Key_Backspace : Qt::Key_A);
        QCoreApplication::processEvents();
        tempos.push_back(micros(inicio));
    }
    tela->cdsAmostraProc->cancel();
    relata(state, tempos);
}
BENCHMARK(BM_Tecla)
    ->Arg(500)
    ->Arg(20000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(100);

// Down in the list's grid: the items of the sample reached come from the server.
void BM_Mover(benchmark::State& state) {
    Cenario& c = cenario();
    Cli_est25000::TfrmAmostraProc* tela = Cli_est25000::frmAmostraProc;
    listaCom(static_cast<int>(state.range(0)), c.caso.inNatura.cdProduto);
    tela->dbgPadrao->setFocus();
    tela->cdsAmostraProc->first();
    QCoreApplication::processEvents();
    std::vector<double> tempos;
    for (auto _ : state) {
        Contado contado;
        const auto inicio = Clock::now();
        QTest::keyClick(tela->dbgPadrao, Qt::Key_Down);
        QCoreApplication::processEvents();
        tempos.push_back(micros(inicio));
    }
    if (tela->cdsAmostraProc->recNo() < 2)
        state.SkipWithError("Down did not move in the list");
    relata(state, tempos);
}
BENCHMARK(BM_Mover)
    ->Arg(500)
    ->Arg(20000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(100);

// The filter confirmed with no criterion, to the whole list shown.
void BM_Filtro(benchmark::State& state) {
    Cenario& c = cenario();
    listaCom(static_cast<int>(state.range(0)), c.caso.inNatura.cdProduto);
    std::vector<double> tempos;
    for (auto _ : state) {
        Contado contado;
        const auto inicio = Clock::now();
        Cli_est25200::frmFiltroAmostraProc->sbtConfirma->Click();
        QCoreApplication::processEvents();
        tempos.push_back(micros(inicio));
    }
    relata(state, tempos);
    state.counters["rss_kb"] = residente();
}
BENCHMARK(BM_Filtro)
    ->Arg(500)
    ->Arg(20000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

void BM_ConfirmarEChamadasAlternados(benchmark::State& state) {
    Cenario& c = cenario();
    Cli_est25000::TfrmAmostraProc* tela = Cli_est25000::frmAmostraProc;
    TNetConnection* net = tela->netAmostraProc;
    const QJsonArray filtro{"T", " ", " ", "T", " ", "T", " ", " "};
    listaCom(static_cast<int>(state.range(0)), c.caso.inNatura.cdProduto);
    std::vector<double> confirmacoes;
    std::vector<double> chamadas;
    std::vector<double> chamadasDaRecarga; // the calls of the whole reload it made before
    for (auto _ : state) {
        state.PauseTiming();
        // A mark of the list as it stands (a filter that lists nothing gives it cheaply).
        const QString marca =
            net->Call(QStringLiteral("GetAmostraProc"),
                      QJsonArray{" ", "9999999999", "9999999999", "T", " ", "T", " ", " "})
                .toObject()
                .value(QStringLiteral("marca"))
                .toString();
        clica(tela->sbtIncluir);
        preencheCabecalho(*tela, QStringLiteral("Medida"), c.caso.inNatura, 10);
        for (int i = 0; i < 10; ++i)
            adicionaItem(*tela, c.caso.itens[i], 1, i == 0);
        // The branch the confirmation gives the sample, for the bare call's packet.
        tela->cdsAmostraProc->fieldByName(QStringLiteral("CDFILIAL"))
            ->setAsString(QStringLiteral("0001"));
        const QJsonArray argumentos{dataset::changePacketToJson(tela->cdsItemAmostra->delta()),
                                    pacoteDaAmostraNova(tela->cdsAmostraProc)};
        const QString primeiroDaLista =
            tela->cdsAmostraProc
                ->valueAt(0,
                          tela->cdsAmostraProc->fieldByName(QStringLiteral("NRAMOSTRA"))->index())
                .toString();
        // What the typing left to the event loop (repaints, layouts) is done before the
        // button is pressed, as it is while a clerk types.
        QCoreApplication::processEvents();
        state.ResumeTiming();

        // The bare calls the confirmation makes.
        auto inicio = Clock::now();
        const QJsonArray resposta =
            net->Call(QStringLiteral("ConfirmaAmostra"), argumentos).toArray();
        const QString nrAvulsa = resposta.at(1).toString();
        const double confirmaAmostra = micros(inicio);
        inicio = Clock::now();
        benchmark::DoNotOptimize(
            net->Call(QStringLiteral("GetAmostraProcAlteradas"), QJsonArray(filtro) << marca));
        const double alteradas = micros(inicio);
        inicio = Clock::now();
        benchmark::DoNotOptimize(net->CallText(QStringLiteral("GetItemAmostra"),
                                               QJsonArray{nrAvulsa, QStringLiteral("3")}));
        const double itens = micros(inicio);
        chamadas.push_back(confirmaAmostra + alteradas + itens);
        // What the whole reload asked instead of the changes: the list, and the first sample's
        // items before the stored one's.
        inicio = Clock::now();
        benchmark::DoNotOptimize(net->CallText(QStringLiteral("GetAmostraProc"), filtro));
        benchmark::DoNotOptimize(net->CallText(QStringLiteral("GetItemAmostra"),
                                               QJsonArray{primeiroDaLista, QStringLiteral("3")}));
        chamadasDaRecarga.push_back(confirmaAmostra + itens + micros(inicio));

        // The button, to the cursor on the stored sample.
        {
            Contado contado;
            inicio = Clock::now();
            tela->sbtConfirmar->Click();
            // Until the screen shows it: the repaints the confirmation left to the event loop.
            QCoreApplication::processEvents();
            confirmacoes.push_back(micros(inicio));
        }

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
    state.counters["reload_calls_median_us"] = medianaDe(chamadasDaRecarga);
    state.counters["ratio_to_reload_calls"] = confirmacao / medianaDe(chamadasDaRecarga);
}
BENCHMARK(BM_ConfirmarEChamadasAlternados)
    ->Arg(500)
    ->Arg(20000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(20);

} // namespace
