// The filter of the sample screen against the size of the list, on SQLite or PostgreSQL: the
// filter confirmed with no criterion until the whole list is shown, beside its parts: the bare
// GetAmostraProc call on the screen's connection (the server's query and answer, and HTTP) and
// the client's reading of that answer (the result check and the packet read from its text).
//
//   QT_QPA_PLATFORM=offscreen build/bin/est25000_lista_bench --banco sqlite
//   eval "$(bash scripts/pg-start.sh)"; build/bin/est25000_lista_bench --banco pg
//   options: --tamanhos 500,20000,100000   --vezes 5
//            --callgrind filtro|chamada|leitura  (collects only that part, at the last size)
//
// The samples beyond the demo's (scale 1) are copies of the demo's own, cycled, with numbers of
// their own and marked processed, written straight to the database: the list reads like a
// branch's, with its mix of products, suppliers and invoices. Each line prints the medians of
// the runs, the answer's bytes a row and the process's resident memory after the filter.
#include "Memoria.h"
#include "Tela.h"
#include "TestSupport.h"

#include <dataset/ClientDataSet.h>
#include <dataset/DataPacket.h>
#include <est25000/Cli_est25000.h>
#include <est25000/Cli_est25200.h>
#include <host/controls/Buttonflat.h>
#include <host/core/Configuration.h>
#include <host/database/DbGeral.h>
#include <host/forms/Dialogs.h>
#include <host/library/Quorvan.h>
#include <host/remote/CheckResultServ.h>
#include <host/remote/Netconnection.h>
#include <server/EmbeddedServer.h>

#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_TOGGLE_COLLECT
#endif

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace est25000::teste;

double mediana(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The bytes the process's heap holds in use (glibc; 0 elsewhere): what the list keeps, apart
// from memory freed but not given back to the system.
double emUso() {
#if defined(__GLIBC__)
    return static_cast<double>(mallinfo2().uordblks);
#else
    return 0;
#endif
}

using est25000::bench::residente;

QString literal(const QVariant& v) {
    if (v.isNull())
        return QStringLiteral("NULL");
    if (v.typeId() == QMetaType::Double)
        return QString::number(v.toDouble(), 'g', 17);
    return QLatin1Char('\'') + v.toString().replace(QLatin1Char('\''), QStringLiteral("''")) +
           QLatin1Char('\'');
}

void executa(QSqlQuery& q, const QString& sql) {
    if (!q.exec(sql))
        throw std::runtime_error(q.lastError().text().toStdString());
}

// Copies the demo's samples until the table holds `quantas`.
void cresceAte(int quantas) {
    QSqlDatabase db = dtmDBGeral::Database();
    QSqlQuery q(db);
    executa(q, QStringLiteral("SELECT COUNT(*) FROM AMOSTRAPROC"));
    q.next();
    int falta = quantas - q.value(0).toInt();
    if (falta <= 0)
        return;
    static const char* const colunas = "DSAMOSTRA, CDPRODUTO, QTPRODPROC, CDFILIAL, NRLANCTONF,"
                                       " CDSERIEENTR, NRNOTAFISC, CDFORNECED";
    static std::vector<QVariantList> moldes;
    if (moldes.empty()) {
        executa(q, QStringLiteral("SELECT %1 FROM AMOSTRAPROC ORDER BY NRAMOSTRA")
                       .arg(QLatin1String(colunas)));
        while (q.next()) {
            QVariantList valores;
            for (int i = 0; i < q.record().count(); ++i)
                valores << (i == 2 ? QVariant(q.value(i).toDouble()) : q.value(i));
            moldes.push_back(valores);
        }
    }
    executa(q, QStringLiteral("SELECT NRULTIMO FROM NUMERADOR WHERE CDNUMERADOR = 'AMOSTRAPROC'"));
    q.next();
    qint64 ultimo = q.value(0).toLongLong();
    db.transaction();
    for (size_t k = 0; falta > 0;) {
        QStringList linhas;
        for (int i = 0; i < 500 && falta > 0; ++i, --falta, ++k) {
            // Each copy's description is its own ("... 2/17"), as a branch's are.
            const QVariantList& molde = moldes[k % moldes.size()];
            QStringList valores{
                literal(molde[0].toString().left(38) +
                        QStringLiteral(" %1/%2").arg(k / moldes.size() + 1).arg(k % 97))};
            for (qsizetype c = 1; c < molde.size(); ++c)
                valores << literal(molde[c]);
            linhas << QStringLiteral("('%1', %2, 'S')")
                          .arg(++ultimo, 10, 10, QLatin1Char('0'))
                          .arg(valores.join(QLatin1String(", ")));
        }
        executa(q, QStringLiteral("INSERT INTO AMOSTRAPROC (NRAMOSTRA, %1, IDPROCESSADO) VALUES ")
                           .arg(QLatin1String(colunas)) +
                       linhas.join(QLatin1String(", ")));
    }
    executa(q,
            QStringLiteral("UPDATE NUMERADOR SET NRULTIMO = %1 WHERE CDNUMERADOR = 'AMOSTRAPROC'")
                .arg(ultimo));
    db.commit();
}

// Times `parte` `vezes` times (µs); under callgrind only the named part is collected.
std::vector<double> mede(int vezes, bool contada, const std::function<void()>& parte) {
    std::vector<double> tempos;
    for (int i = 0; i < vezes; ++i) {
        if (contada)
            CALLGRIND_TOGGLE_COLLECT;
        const auto inicio = Clock::now();
        parte();
        tempos.push_back(std::chrono::duration<double, std::micro>(Clock::now() - inicio).count());
        if (contada)
            CALLGRIND_TOGGLE_COLLECT;
    }
    return tempos;
}

QString opcao(const QStringList& args, const char* nome, const QString& padrao) {
    const qsizetype at = args.indexOf(QLatin1String(nome));
    return at >= 0 && at + 1 < args.size() ? args[at + 1] : padrao;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool pg = opcao(args, "--banco", QStringLiteral("sqlite")) == QLatin1String("pg");
    const int vezes = opcao(args, "--vezes", QStringLiteral("5")).toInt();
    const QString contada = opcao(args, "--callgrind", QString());
    std::vector<int> tamanhos;
    for (const QString& t :
         opcao(args, "--tamanhos", QStringLiteral("500,20000,100000")).split(QLatin1Char(',')))
        tamanhos.push_back(t.toInt());
    std::sort(tamanhos.begin(), tamanhos.end());
    if (pg && qEnvironmentVariableIsEmpty("EST_TEST_PG_URL")) {
        std::fprintf(stderr,
                     "EST_TEST_PG_URL não definida: eval \"$(bash scripts/pg-start.sh)\"\n");
        return 2;
    }

    testsupport::ScratchDatabase base(pg ? testsupport::Backend::Postgres
                                         : testsupport::Backend::Sqlite);
    server::ServerOptions opcoes;
    opcoes.databaseUrl = base.url();
    opcoes.init = true;
    opcoes.demoScale = 1;
    opcoes.threads = 4;
    opcoes.token = QStringLiteral("bench");
    server::EmbeddedServer servidor(opcoes);
    const int porta = servidor.start();
    host::Configuration::Override(host::cfg::kServer, QStringLiteral("127.0.0.1:%1").arg(porta));
    host::Configuration::Override(host::cfg::kToken, opcoes.token);
    host::Configuration::Override(host::cfg::kDatabase, base.url());
    host::Configuration::Override(host::cfg::kPicture, QStringLiteral("9.99.999"));
    host::Configuration::Override(host::cfg::kBranch, QStringLiteral("0001"));
    host::Configuration::Override(host::cfg::kDecimal, QStringLiteral(","));
    host::Configuration::Override(host::cfg::kThousands, QStringLiteral("."));
    host::Configuration::ApplySeparators();
    TNetConnection::SetAccessToken(opcoes.token);
    dtmDBGeral::Open(base.url());
    Quorvan::InstallMessageHook();

    host::DialogScript script;
    script.OnModal(
        [](host::TForm& f) { confirma(dynamic_cast<Cli_est25200::TfrmFiltroAmostraProc&>(f)); });
    IniProc();
    Cli_est25000::TfrmAmostraProc* tela = Cli_est25000::frmAmostraProc;
    ativa(*tela);
    const QJsonArray filtro{"T", " ", " ", "T", " ", "T", " ", " "};

    std::printf(
        "%s: listed, filter shown (ms), bare call (ms), client's reading (ms), answer's "
        "bytes a row, RSS after the filter (MB), heap in use after it (MB); medians of %d runs\n",
        pg ? "PostgreSQL" : "SQLite", vezes);
    for (const int tamanho : tamanhos) {
        cresceAte(tamanho);
        const bool ultima = tamanho == tamanhos.back();
        Cli_est25200::frmFiltroAmostraProc->sbtConfirma->Click(); // warms the caches
        QCoreApplication::processEvents();
        const auto filtroMostrado = mede(vezes, ultima && contada == QLatin1String("filtro"), [&] {
            Cli_est25200::frmFiltroAmostraProc->sbtConfirma->Click();
            QCoreApplication::processEvents();
        });
        const double rss = residente();
        const double heap = emUso();
        const int listadas = tela->cdsAmostraProc->recordCount();
        QByteArray resposta;
        const auto chamada = mede(vezes, ultima && contada == QLatin1String("chamada"), [&] {
            resposta = tela->netAmostraProc->CallText(QStringLiteral("GetAmostraProc"), filtro);
        });
        dataset::ClientDataSet leitor;
        const auto leitura = mede(vezes, ultima && contada == QLatin1String("leitura"), [&] {
            leitor.setDataJsonText(Consiste::CheckResultServText(resposta, true, 0));
        });
        if (leitor.recordCount() != listadas || listadas < tamanho) {
            std::fprintf(stderr, "the list holds %d samples, the answer %d, %d asked\n", listadas,
                         leitor.recordCount(), tamanho);
            return 1;
        }
        std::printf("%7d  %9.1f  %9.1f  %9.1f  %6.0f  %7.1f  %7.1f\n", listadas,
                    mediana(filtroMostrado) / 1000, mediana(chamada) / 1000,
                    mediana(leitura) / 1000, double(resposta.size()) / listadas, rss / 1024,
                    heap / 1048576);
        std::fflush(stdout);
    }
    return 0;
}
