// Round trips of the sample screen: how many server calls, server statements and reads of the
// desktop's own database connection each action makes, and how long every key of the whole
// keyboard entry of an invoice sample takes when each of them crosses a slower network.
//
//   eval "$(bash scripts/pg-start.sh)"
//   build/bin/est25000_rondas_bench [--atraso-ms 5] [--voltas 5] [--escala 1]
//
// PostgreSQL (EST_TEST_PG_URL) holds a scratch database with the demo data; the application
// server runs in-process. Three links on loopback (Ligacao) stand between the parts and count
// what crosses them: desktop -> server (HTTP requests), desktop -> database (its own reads)
// and server -> database (the server's statements). The first two are the network between a
// branch's desktop and its server and database: in the slow turns they add --atraso-ms to
// every round trip (half each way). Each turn types the same invoice sample (header, three
// items, Confirm) in the real window, the filter and moves in the list included; slow and
// fast turns alternate. Every key is timed from its press until the events it left are done.
#include "Gravacao.h"
#include "Ligacao.h"
#include "Tela.h"
#include "TestSupport.h"

#include <est25000/Cli_est25000.h>
#include <est25000/Cli_est25200.h>

#include <dataset/ClientDataSet.h>
#include <host/controls/Buttonflat.h>
#include <host/core/Configuration.h>
#include <host/database/DbGeral.h>
#include <host/dbcontrols/DBGrid.h>
#include <host/forms/Dialogs.h>
#include <host/library/Quorvan.h>
#include <host/remote/Netconnection.h>
#include <server/EmbeddedServer.h>

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>

using namespace est25000::teste;
using bancada::Ligacao;
using bancada::Protocolo;
using Relogio = std::chrono::steady_clock;

namespace {

// What one action asked of a link: how many requests, and what they were.
struct Pedidos {
    long n = 0;
    QStringList quais;

    // "n (a, b)" for the remote methods, "n (WORD×k, ...)" for the statements.
    QString texto(bool agrupa) const {
        if (!n)
            return QStringLiteral("0");
        QStringList partes;
        if (agrupa) {
            QStringList vistas;
            for (const QString& q : quais)
                if (!vistas.contains(q))
                    vistas << q;
            for (const QString& v : vistas)
                partes << QStringLiteral("%1×%2").arg(v).arg(quais.count(v));
        } else {
            partes = quais;
        }
        return QStringLiteral("%1 (%2)").arg(n).arg(partes.join(QStringLiteral(", ")));
    }
};

struct Contagem {
    Pedidos chamadas, sqlServidor, sqlDesktop;
};

struct Acao {
    Contagem contagem; // of the last turn (every turn makes the same)
    std::vector<double> tempos[2];
};

struct Tecla {
    QString nome;
    double ms = 0;
    bool digitacao = false; // a key of the sample's typing (not the list, nor a button)
};

class Rondas {
public:
    Rondas(Ligacao& http, Ligacao& pgServidor, Ligacao& pgDesktop)
        : http_(http), pgServidor_(pgServidor), pgDesktop_(pgDesktop) {}

    std::map<QString, Acao> acoes;
    std::vector<Tecla> teclas[2];  // every key of every turn, fast and slow
    std::vector<double> piores[2]; // the slowest key of each turn
    int lento = 0;                 // the turn under way: 0 fast, 1 slow
    bool digitando = false;        // between Incluir and Confirmar

    // Runs f, timed until the events it left are done; counted under `acao` when named.
    void mede(const QString& nome, const QString& acao, const std::function<void()>& f) {
        const Ligacao* links[] = {&http_, &pgServidor_, &pgDesktop_};
        long antes[3];
        std::size_t vistos[3];
        for (int i = 0; i < 3; ++i) {
            antes[i] = links[i]->pedidos();
            vistos[i] = links[i]->caminhos().size();
        }
        const auto inicio = Relogio::now();
        f();
        QApplication::processEvents();
        const double ms =
            std::chrono::duration<double, std::milli>(Relogio::now() - inicio).count();
        // A key is named by the action it made, when it made one.
        teclas[lento].push_back(
            {acao.isEmpty() ? nome : QStringLiteral("%1 (%2)").arg(nome, acao), ms, digitando});
        if (acao.isEmpty())
            return;
        Acao& a = acoes[acao];
        a.tempos[lento].push_back(ms);
        Pedidos* contagens[] = {&a.contagem.chamadas, &a.contagem.sqlServidor,
                                &a.contagem.sqlDesktop};
        for (int i = 0; i < 3; ++i) {
            *contagens[i] = {links[i]->pedidos() - antes[i], {}};
            const auto caminhos = links[i]->caminhos();
            for (std::size_t c = vistos[i]; c < caminhos.size(); ++c) {
                const QString q = QString::fromStdString(caminhos[c]);
                contagens[i]->quais << (i == 0 ? q.section(QLatin1Char('/'), -1) : q.toUpper());
            }
        }
    }

    void tecla(Qt::Key k, const QString& acao = {}, Qt::KeyboardModifiers m = Qt::NoModifier) {
        mede(QKeySequence(k | m).toString(), acao,
             [&] { QTest::keyClick(QApplication::focusWidget(), k, m); });
    }
    void digita(const QString& texto) {
        if (auto* linha = qobject_cast<QLineEdit*>(QApplication::focusWidget()))
            linha->selectAll();
        for (QChar c : texto)
            mede(QString(c), {},
                 [&] { QTest::keyClick(QApplication::focusWidget(), c.toLatin1()); });
    }

private:
    Ligacao& http_;
    Ligacao& pgServidor_;
    Ligacao& pgDesktop_;
};

double mediana(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

QString comPorta(const QString& url, int porta) {
    QUrl u(url);
    u.setPort(porta);
    return u.toString();
}

int argumento(const QStringList& args, const char* nome, int padrao) {
    const int at = args.indexOf(QLatin1String(nome));
    return at >= 0 && at + 1 < args.size() ? args[at + 1].toInt() : padrao;
}

// One turn: the filter, moves in the list, the invoice sample typed whole, Confirm.
bool turno(Rondas& r, Cli_est25000::TfrmAmostraProc* tela, host::DialogScript& script,
           const CasoNota& nota) {
    script.Clear();
    ativa(*tela); // as the clerk's click on the window gives it back
    script.OnModal(
        [](host::TForm& f) { confirma(dynamic_cast<Cli_est25200::TfrmFiltroAmostraProc&>(f)); });
    r.mede(QStringLiteral("Filtro"), QStringLiteral("filtro (confirmar a janela)"),
           [&] { tela->sbtFiltro->Click(); });
    ativa(*tela);
    // The list, where the moves are made, shown as the clerk shows it from the header (the
    // last Confirm left the form's page).
    if (tela->pgcPadrao->ActivePage() != tela->tshFolhaDados) {
        tela->dbeDescAmostra->SetFocus();
        QApplication::processEvents();
        r.tecla(Qt::Key_PageUp);
    }
    // The list shown with the focus left on the form's page: the clerk clicks the list.
    if (host::TControl::Of(tela->ActiveControl()) != tela->dbgPadrao) {
        tela->dbgPadrao->SetFocus();
        QApplication::processEvents();
    }
    if (host::TControl::Of(tela->ActiveControl()) != tela->dbgPadrao) {
        std::printf("o foco não chegou à lista: %s, página %s, %lld listadas\n",
                    qPrintable(tela->ActiveControl() ? tela->ActiveControl()->objectName()
                                                     : QStringLiteral("nada")),
                    qPrintable(tela->pgcPadrao->ActivePage()->objectName()),
                    static_cast<long long>(tela->cdsAmostraProc->recordCount()));
        return false;
    }
    tela->cdsAmostraProc->first();
    for (int i = 0; i < 3; ++i)
        r.tecla(Qt::Key_Down, QStringLiteral("mover na lista (seta)"));
    r.mede(QStringLiteral("Incluir"), QStringLiteral("Incluir"), [&] { clica(tela->sbtIncluir); });
    r.digitando = true;
    // Incluir puts the cursor on the first field of the header.
    if (host::TControl::Of(tela->ActiveControl()) != tela->dbeDescAmostra) {
        std::printf("Incluir deixou o foco em %s\n",
                    qPrintable(tela->ActiveControl() ? tela->ActiveControl()->objectName()
                                                     : QStringLiteral("nada")));
        return false;
    }
    const std::pair<QString, const char*> cabecalho[] = {
        {QStringLiteral("Amostra medida"), "saída da descrição"},
        {nota.nrInscricao, "saída do fornecedor (CNPJ/CPF)"},
        {nota.cdSerie, "saída da série"},
        {nota.nrNota, "saída da nota"},
        {nota.inNatura.cdArvProd, "saída do produto"},
        {QStringLiteral("3"), "saída da quantidade"}};
    for (const auto& [texto, acao] : cabecalho) {
        r.digita(texto);
        r.tecla(Qt::Key_Return, QString::fromUtf8(acao));
    }
    if (host::TControl::Of(tela->ActiveControl()) != tela->dbgItensAmostra) {
        std::printf("o foco não chegou aos itens: %s\n", qPrintable(script.LastMessage()));
        return false;
    }
    // Enter from item to item: after the code, after the quantity (to Principal, over the
    // unit), Space for the principal item, Enter on Principal posts the row and opens the next;
    // Up posts the last.
    for (int i = 0; i < 3; ++i) {
        r.digita(nota.itens[i].cdArvProd);
        r.tecla(Qt::Key_Return, QStringLiteral("saída do código do item (Enter)"));
        r.digita(QStringLiteral("1"));
        r.tecla(Qt::Key_Return, QStringLiteral("saída da quantidade do item (Enter)"));
        if (i == 0)
            r.tecla(Qt::Key_Space, QStringLiteral("item principal (espaço)"));
        r.tecla(i < 2 ? Qt::Key_Return : Qt::Key_Up,
                QStringLiteral("gravação do item (Enter; seta no último)"));
    }
    r.digitando = false;
    r.mede(QStringLiteral("Confirmar"), QStringLiteral("Confirmar"),
           [&] { clica(tela->sbtConfirmar); });
    const bool gravou = script.Messages().isEmpty() &&
                        tela->cdsAmostraProc->state() == dataset::DataSetState::Browse &&
                        tela->cdsItemAmostra->recordCount() == 3;
    if (!gravou)
        std::printf("a amostra não foi gravada: %s\n", qPrintable(script.LastMessage()));
    return gravou;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A journal of its own: one left by a run that stopped half-way (or by a run beside it)
    // would be offered back and the screen would start in the middle of a sample.
    QTemporaryDir dados;
    qputenv("XDG_DATA_HOME", dados.path().toUtf8());
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int atrasoMs = argumento(args, "--atraso-ms", 5);
    const int voltas = argumento(args, "--voltas", 5);
    const int escala = argumento(args, "--escala", 1);
    if (qEnvironmentVariableIsEmpty("EST_TEST_PG_URL")) {
        std::fprintf(stderr,
                     "EST_TEST_PG_URL não definida: eval \"$(bash scripts/pg-start.sh)\"\n");
        return 2;
    }

    testsupport::ScratchDatabase base(testsupport::Backend::Postgres);
    const int portaPg = QUrl(base.url()).port(5432);
    Ligacao pgServidor(Protocolo::Postgres, portaPg);
    Ligacao pgDesktop(Protocolo::Postgres, portaPg);
    server::ServerOptions opcoes;
    opcoes.databaseUrl = comPorta(base.url(), pgServidor.porta());
    opcoes.init = true;
    opcoes.demoScale = escala;
    opcoes.threads = 4;
    opcoes.token = QStringLiteral("bench");
    server::EmbeddedServer servidor(opcoes);
    Ligacao http(Protocolo::Http, servidor.start());

    const QString urlDesktop = comPorta(base.url(), pgDesktop.porta());
    host::Configuration::Override(host::cfg::kServer,
                                  QStringLiteral("127.0.0.1:%1").arg(http.porta()));
    host::Configuration::Override(host::cfg::kToken, opcoes.token);
    host::Configuration::Override(host::cfg::kDatabase, urlDesktop);
    host::Configuration::Override(host::cfg::kPicture, QStringLiteral("9.99.999"));
    host::Configuration::Override(host::cfg::kBranch, QStringLiteral("0001"));
    host::Configuration::Override(host::cfg::kDecimal, QStringLiteral(","));
    host::Configuration::Override(host::cfg::kThousands, QStringLiteral("."));
    host::Configuration::ApplySeparators();
    TNetConnection::SetAccessToken(opcoes.token);
    dtmDBGeral::Open(urlDesktop);
    Quorvan::InstallMessageHook();

    const CasoNota nota = casoNota(dtmDBGeral::Database(), QStringLiteral("0001"), 3);
    host::DialogScript script;
    script.OnModal([](host::TForm& f) {
        dynamic_cast<Cli_est25200::TfrmFiltroAmostraProc&>(f).sbtConfirma->Click();
    });
    IniProc();
    Cli_est25000::TfrmAmostraProc* tela = Cli_est25000::frmAmostraProc;
    ativa(*tela);

    Rondas r(http, pgServidor, pgDesktop);
    for (int v = 0; v < voltas; ++v)
        for (int lento : {0, 1}) {
            r.lento = lento;
            const auto link = std::chrono::milliseconds(lento ? atrasoMs : 0);
            http.atraso(link);
            pgDesktop.atraso(link);
            const std::size_t antes = r.teclas[lento].size();
            if (!turno(r, tela, script, nota))
                return 1;
            double pior = 0;
            for (std::size_t i = antes; i < r.teclas[lento].size(); ++i)
                if (r.teclas[lento][i].digitacao)
                    pior = std::max(pior, r.teclas[lento][i].ms);
            r.piores[lento].push_back(pior);
        }

    std::printf("Listadas: %lld amostras; %d voltas de cada; atraso %d ms por ida e volta\n\n",
                static_cast<long long>(tela->cdsAmostraProc->recordCount()), voltas, atrasoMs);
    std::printf("| ação | chamadas ao servidor | comandos SQL no servidor | leituras do desktop "
                "| mediana, loopback (ms) | mediana, +%d ms (ms) |\n|---|---|---|---|---|---|\n",
                atrasoMs);
    for (const auto& [nome, a] : r.acoes)
        std::printf("| %s | %s | %s | %s | %.1f | %.1f |\n", qPrintable(nome),
                    qPrintable(a.contagem.chamadas.texto(false)),
                    qPrintable(a.contagem.sqlServidor.texto(true)),
                    qPrintable(a.contagem.sqlDesktop.texto(true)), mediana(a.tempos[0]),
                    mediana(a.tempos[1]));
    std::printf(
        "\nTecla mais lenta da digitação da amostra (de Incluir a Confirmar, sem os botões), "
        "mediana das voltas: "
        "%.1f ms no loopback, %.1f ms com +%d ms\n",
        mediana(r.piores[0]), mediana(r.piores[1]), atrasoMs);
    std::erase_if(r.teclas[1], [](const Tecla& t) { return !t.digitacao; });
    std::sort(r.teclas[1].begin(), r.teclas[1].end(),
              [](const Tecla& a, const Tecla& b) { return a.ms > b.ms; });
    std::printf("As mais lentas com +%d ms:", atrasoMs);
    for (std::size_t i = 0; i < std::min<std::size_t>(8, r.teclas[1].size()); ++i)
        std::printf(" %s %.1f;", qPrintable(r.teclas[1][i].nome), r.teclas[1][i].ms);
    std::printf("\n");
    fechaTela();
    dtmDBGeral::Close();
    return 0;
}
