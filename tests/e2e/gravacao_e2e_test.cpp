// End to end, on SQLite and on PostgreSQL: a real est-server process on demo data and the
// real screen. The whole maintenance cycle of a sample, checked in the database each time:
// a stock sample and an invoice sample stored with new numbers and their items, an edit, a
// refusal with its error list, another user's change in between, the deletion of a processed
// and of an unprocessed sample.
#include "Gravacao.h"
#include "Tela.h"
#include "TestSupport.h"

#include <est25000/Cli_est25000.h>
#include <est25000/Cli_est25100.h>
#include <est25000/Cli_est25200.h>

#include <dataset/ClientDataSet.h>
#include <host/controls/Buttonflat.h>
#include <host/controls/StdControls.h>
#include <host/core/Configuration.h>
#include <host/database/DbGeral.h>
#include <host/forms/Application.h>
#include <host/forms/Dialogs.h>
#include <host/library/Quorvan.h>
#include <host/remote/Netconnection.h>
#include <host/remote/SignIn.h>

#include <QCoreApplication>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QUuid>

#include <gtest/gtest.h>

using namespace est25000::teste;
using Cli_est25000::TfrmAmostraProc;
using dataset::DataSetState;
using testsupport::Backend;

namespace {

QSqlDatabase banco() {
    return dtmDBGeral::Database();
}

QString campoNoBanco(const char* campo, const QString& nr) {
    return est25000::teste::campoNoBanco(banco(), campo, nr);
}

QList<QPair<QString, double>> itensNoBanco(const QString& nr) {
    return est25000::teste::itensNoBanco(banco(), nr);
}

QString texto(dataset::ClientDataSet* ds, const char* campo) {
    return ds->fieldByName(QString::fromLatin1(campo))->asString();
}

class GravacaoE2E : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        base = std::make_unique<testsupport::ScratchDatabase>(GetParam());
        const QString token = QUuid::createUuid().toString(QUuid::WithoutBraces);
        servidor = std::make_unique<testsupport::ServerProcess>(
            QStringList{"--database", base->url(), "--init", "--demo", "1", "--token", token});
        ASSERT_TRUE(servidor->waitReady()) << servidor->readAllStandardError().toStdString();
        porta = servidor->port();
        this->token = token;
        host::Configuration::Override(host::cfg::kServer,
                                      QStringLiteral("127.0.0.1:%1").arg(porta));
        host::Configuration::Override(host::cfg::kToken, token);
        host::Configuration::Override(host::cfg::kDatabase, base->url());
        host::Configuration::Override(host::cfg::kPicture, QStringLiteral("9.99.999"));
        host::Configuration::Override(host::cfg::kBranch, QStringLiteral("0001"));
        host::Configuration::Override(host::cfg::kDecimal, QStringLiteral(","));
        host::Configuration::Override(host::cfg::kThousands, QStringLiteral("."));
        host::Configuration::ApplySeparators();
        TNetConnection::SetAccessToken(token);
        dtmDBGeral::Open(base->url());
        Quorvan::InstallMessageHook();
        script.OnModal([](host::TForm& f) {
            confirma(dynamic_cast<Cli_est25200::TfrmFiltroAmostraProc&>(f));
        });
        IniProc();
        ativa(*Cli_est25000::frmAmostraProc);
        tela = Cli_est25000::frmAmostraProc;
        script.Clear();
    }
    void TearDown() override {
        fechaTela();
        if (dtmDBGeral::IsOpen())
            dtmDBGeral::Close();
        servidor.reset();
        base.reset();
    }

    // Stores a new sample through the screen and answers its number.
    QString novaAmostra(const QString& descricao, const Produto& produto,
                        const QList<Produto>& itens, const CasoNota* nota = nullptr) {
        clica(tela->sbtIncluir);
        preencheCabecalho(*tela, descricao, produto, 10);
        if (nota)
            preencheNota(*tela, *nota);
        adicionaItem(*tela, itens[0], 5, true);
        adicionaItem(*tela, itens[1], 3, false);
        adicionaItem(*tela, itens[2], 2, false);
        clica(tela->sbtConfirmar);
        EXPECT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
        return texto(tela->cdsAmostraProc, "NRAMOSTRA");
    }

    std::unique_ptr<testsupport::ScratchDatabase> base;
    std::unique_ptr<testsupport::ServerProcess> servidor;
    int porta = 0;
    QString token;
    host::DialogScript script;
    TfrmAmostraProc* tela = nullptr;
};

TEST_P(GravacaoE2E, TheWholeCycleOfASampleAgainstTheServerAndTheDatabase) {
    const int antes = conta(banco(), QStringLiteral("SELECT COUNT(*) FROM AMOSTRAPROC"));
    const QString ultimo =
        valor(banco(), QStringLiteral("SELECT MAX(NRAMOSTRA) FROM AMOSTRAPROC")).toString();
    const CasoEstoque estoque = casoEstoque(banco());
    const CasoNota nota = casoNota(banco(), QStringLiteral("0001"));

    // A stock sample: a new ten-digit number, its items, current in the reloaded list.
    const QString nr1 = novaAmostra(QStringLiteral("Do estoque"), estoque.inNatura, estoque.itens);
    EXPECT_EQ(nr1, QStringLiteral("%1").arg(ultimo.toLongLong() + 1, 10, 10, QLatin1Char('0')));
    EXPECT_EQ(campoNoBanco("DSAMOSTRA", nr1), QStringLiteral("Do estoque"));
    EXPECT_EQ(campoNoBanco("CDFILIAL", nr1), QStringLiteral("0001"));
    EXPECT_TRUE(campoNoBanco("NRNOTAFISC", nr1).isEmpty());
    EXPECT_EQ(itensNoBanco(nr1), (QList<QPair<QString, double>>{{estoque.itens[0].cdProduto, 5},
                                                                {estoque.itens[1].cdProduto, 3},
                                                                {estoque.itens[2].cdProduto, 2}}));
    EXPECT_EQ(tela->cdsAmostraProc->recordCount(), antes + 1);
    EXPECT_EQ(tela->cdsItemAmostra->recordCount(), 3);

    // An invoice sample: the invoice's entry and branch stored with it.
    const QString nr2 = novaAmostra(QStringLiteral("Da nota"), nota.inNatura, nota.itens, &nota);
    EXPECT_EQ(nr2.toLongLong(), nr1.toLongLong() + 1);
    EXPECT_EQ(campoNoBanco("NRNOTAFISC", nr2), nota.nrNota);
    EXPECT_EQ(campoNoBanco("NRLANCTONF", nr2), nota.nrLancto);
    EXPECT_EQ(campoNoBanco("CDFORNECED", nr2), nota.cdFornecedor);
    EXPECT_EQ(campoNoBanco("CDFILIAL", nr2), nota.cdFilial);
    EXPECT_EQ(itensNoBanco(nr2).size(), 3);

    // Edit the stock sample and confirm, while another clerk stores a sample, changes one,
    // deletes one and renames the product of another: the Confirm asks only for what changed
    // since the list was read, and the list it leaves is the one a whole reload gives.
    ASSERT_TRUE(tela->cdsAmostraProc->locate(QStringLiteral("NRAMOSTRA"), nr1));
    clica(tela->sbtAlterar);
    tela->cdsAmostraProc->fieldByName(QStringLiteral("DSAMOSTRA"))
        ->setAsString(QStringLiteral("Do estoque, revista"));
    const QStringList outras = amostrasGuardadas(banco(), false, 3);
    const QString renomeado =
        valor(banco(),
              QStringLiteral("SELECT MIN(CDPRODUTO) FROM AMOSTRAPROC WHERE CDPRODUTO"
                             " NOT IN (?, ?)"),
              {estoque.inNatura.cdProduto, nota.inNatura.cdProduto})
            .toString();
    QSqlQuery outro(banco());
    for (const QString& sql :
         {QStringLiteral("INSERT INTO AMOSTRAPROC (NRAMOSTRA, DSAMOSTRA, CDPRODUTO, QTPRODPROC,"
                         " CDFILIAL, IDPROCESSADO) VALUES ('9000000001', 'Da outra', '%1', 4,"
                         " '0001', 'N')")
              .arg(estoque.inNatura.cdProduto),
          QStringLiteral("UPDATE AMOSTRAPROC SET DSAMOSTRA = 'Mudada pela outra'"
                         " WHERE NRAMOSTRA = '%1'")
              .arg(outras[0]),
          QStringLiteral("DELETE FROM ITEMAMOSTRAPROC WHERE NRAMOSTRA = '%1'").arg(outras[1]),
          QStringLiteral("DELETE FROM AMOSTRAPROC WHERE NRAMOSTRA = '%1'").arg(outras[1]),
          QStringLiteral("UPDATE PRODUTO SET NMPRODUTO = 'Renomeado' WHERE CDPRODUTO = '%1'")
              .arg(renomeado)})
        ASSERT_TRUE(outro.exec(sql)) << sql.toStdString();
    const qsizetype logAntes = servidor->readAllStandardError().size();
    clica(tela->sbtConfirmar);
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
    EXPECT_EQ(campoNoBanco("DSAMOSTRA", nr1), QStringLiteral("Do estoque, revista"));
    EXPECT_EQ(texto(tela->cdsAmostraProc, "NRAMOSTRA"), nr1);
    EXPECT_EQ(tela->cdsItemAmostra->recordCount(), 3);
    EXPECT_EQ(tela->cdsAmostraProc->changeCount(), 0);
    const QString log = servidor->readAllStandardError().mid(logAntes);
    EXPECT_TRUE(log.contains(QStringLiteral(" GetAmostraProcAlteradas 200"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral(" GetAmostraProc "))) << log.toStdString();
    const dataset::DataPacket atualizada = tela->cdsAmostraProc->data();
    const int posicao = tela->cdsAmostraProc->recNo();
    Cli_est25200::frmFiltroAmostraProc->sbtConfirma->Click(); // the whole list again
    EXPECT_EQ(atualizada.rows, tela->cdsAmostraProc->data().rows);
    ASSERT_TRUE(tela->cdsAmostraProc->locate(QStringLiteral("NRAMOSTRA"), nr1));
    EXPECT_EQ(tela->cdsAmostraProc->recNo(), posicao);
    EXPECT_TRUE(tela->cdsAmostraProc->locate(QStringLiteral("NRAMOSTRA"), "9000000001"));
    EXPECT_EQ(texto(tela->cdsAmostraProc, "NMPRODUTO"), estoque.inNatura.nmProduto);
    EXPECT_FALSE(tela->cdsAmostraProc->locate(QStringLiteral("NRAMOSTRA"), outras[1]));
    ASSERT_TRUE(tela->cdsAmostraProc->locate(QStringLiteral("NRAMOSTRA"), outras[0]));
    EXPECT_EQ(texto(tela->cdsAmostraProc, "DSAMOSTRA"), QStringLiteral("Mudada pela outra"));
    ASSERT_TRUE(tela->cdsAmostraProc->locate(QStringLiteral("CDPRODUTO"), renomeado));
    EXPECT_EQ(texto(tela->cdsAmostraProc, "NMPRODUTO"), QStringLiteral("Renomeado"));

    // Refused by the server: in edit, the readable line in the error list, nothing stored.
    const Produto semEstoque =
        produtoSemEstoque(banco(), estoque.inNatura.sgUnidade, estoque.inNatura.cdProduto);
    clica(tela->sbtIncluir);
    preencheCabecalho(*tela, QStringLiteral("Recusada"), estoque.inNatura, 10);
    adicionaItem(*tela, estoque.itens[0], 6, true);
    adicionaItem(*tela, semEstoque, 4, false);
    clica(tela->sbtConfirmar);
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
    EXPECT_EQ(tela->cdsAmostraProc->state(), DataSetState::Edit);
    ASSERT_TRUE(tela->cdsItemAmostra->locate(QStringLiteral("CDPRODUTO"), semEstoque.cdProduto));
    QStringList linhas;
    script.OnModal([&](host::TForm& f) {
        linhas = dynamic_cast<Cli_est25100::TfrmVisualErros&>(f).lsbErros->Items();
    });
    clica(tela->sbtVisualizaErros);
    processaEventos();
    EXPECT_EQ(linhas, QStringList{QStringLiteral("Produto não controla estoque.")});
    EXPECT_EQ(conta(banco(), QStringLiteral("SELECT COUNT(*) FROM AMOSTRAPROC")), antes + 2);
    script.Answer(host::mrYes);
    clica(tela->sbtCancelar);
    script.Clear();

    // Two users on one sample: the other one stores first; this Confirm is told so plainly,
    // stays in edit and keeps what was typed.
    ASSERT_TRUE(tela->cdsAmostraProc->locate(QStringLiteral("NRAMOSTRA"), nr1));
    clica(tela->sbtAlterar);
    tela->cdsAmostraProc->fieldByName(QStringLiteral("DSAMOSTRA"))
        ->setAsString(QStringLiteral("Minha versão"));
    {
        testsupport::RpcClient outro(porta, token);
        const QJsonObject lista =
            outro.amostra("GetAmostraProc", {" ", nr1, nr1, "T", " ", "T", " ", " "})
                .result.toObject()
                .value("data")
                .toArray()
                .at(0)
                .toObject();
        const QJsonArray antigo = lista.value("rows").toArray().at(0).toArray();
        QJsonArray novo = antigo;
        novo[1] = QStringLiteral("Versão do outro usuário");
        const QJsonObject pacote{
            {"fields", lista.value("fields")},
            {"changes",
             QJsonArray{QJsonObject{{"type", "modify"}, {"old", antigo}, {"new", novo}}}}};
        const testsupport::Answer resposta =
            outro.amostra("ConfirmaAmostra", {QJsonValue(), pacote});
        ASSERT_EQ(resposta.status, 200) << resposta.body;
    }
    clica(tela->sbtConfirmar);
    EXPECT_EQ(script.LastMessage(),
              QStringLiteral("A amostra %1 foi alterada por outro usuário. Nada foi gravado. "
                             "Recarregue os dados e repita a operação.")
                  .arg(nr1));
    EXPECT_EQ(tela->cdsAmostraProc->state(), DataSetState::Edit);
    EXPECT_EQ(texto(tela->cdsAmostraProc, "DSAMOSTRA"), QStringLiteral("Minha versão"));
    EXPECT_EQ(tela->cdsItemAmostra->recordCount(), 3);
    EXPECT_EQ(campoNoBanco("DSAMOSTRA", nr1), QStringLiteral("Versão do outro usuário"));
    script.Answer(host::mrYes);
    clica(tela->sbtCancelar);
    script.Clear();

    // Deletion: a processed sample is refused, an unprocessed one goes with its items.
    const QString processada = amostrasGuardadas(banco(), true).first();
    ASSERT_TRUE(tela->cdsAmostraProc->locate(QStringLiteral("NRAMOSTRA"), processada));
    script.Answer(host::mrYes);
    clica(tela->sbtExcluir);
    EXPECT_EQ(script.LastMessage(),
              QStringLiteral("Exclusão bloqueada!Processamento da amostra já realizado."));
    EXPECT_EQ(texto(tela->cdsAmostraProc, "NRAMOSTRA"), processada);
    EXPECT_EQ(campoNoBanco("NRAMOSTRA", processada), processada);

    ASSERT_TRUE(tela->cdsAmostraProc->locate(QStringLiteral("NRAMOSTRA"), nr2));
    script.Answer(host::mrYes);
    clica(tela->sbtExcluir);
    EXPECT_TRUE(campoNoBanco("NRAMOSTRA", nr2).isEmpty());
    EXPECT_TRUE(itensNoBanco(nr2).isEmpty());
    EXPECT_EQ(conta(banco(), QStringLiteral("SELECT COUNT(*) FROM AMOSTRAPROC")), antes + 1);
    EXPECT_EQ(tela->cdsAmostraProc->recordCount(), antes + 1);
}

// Two clerks with accounts of their own: each signs in and stores a sample through the screen,
// and the screen's history names each one. A session that ends while a sample is typed is
// opened again (the password typed again) and the sample is stored as typed.
TEST_P(GravacaoE2E, EachClerkStoresUnderTheirOwnNameAndTheHistoryShowsIt) {
    for (const QString& conta : {QStringLiteral("ana"), QStringLiteral("beto")}) {
        QProcess cadastro;
        cadastro.start(QStringLiteral(EST_SERVER_BINARY),
                       {"users", "add", conta, "--database", base->url()});
        cadastro.write((conta + "-senha\n").toUtf8());
        cadastro.closeWriteChannel();
        ASSERT_TRUE(cadastro.waitForFinished(60000));
        ASSERT_EQ(cadastro.exitCode(), 0) << cadastro.readAllStandardError().toStdString();
    }
    const auto entra = [&](const QString& conta) {
        TNetConnection::SetAccessToken(
            host::SignIn(QStringLiteral("127.0.0.1"), porta, conta, conta + "-senha").token);
    };
    const CasoEstoque estoque = casoEstoque(banco());
    entra("ana");
    const QString daAna = novaAmostra(QStringLiteral("Da Ana"), estoque.inNatura, estoque.itens);

    entra("beto");
    int pedidos = 0;
    TNetConnection::SetSessionRenewal([&] {
        ++pedidos;
        entra("beto");
        return true;
    });
    clica(tela->sbtIncluir);
    preencheCabecalho(*tela, QStringLiteral("Do Beto"), estoque.inNatura, 10);
    adicionaItem(*tela, estoque.itens[0], 10, true);
    host::SignOut(QStringLiteral("127.0.0.1"), porta);
    clica(tela->sbtConfirmar);
    TNetConnection::SetSessionRenewal(nullptr);
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
    EXPECT_EQ(pedidos, 1);
    const QString doBeto = texto(tela->cdsAmostraProc, "NRAMOSTRA");
    EXPECT_EQ(campoNoBanco("DSAMOSTRA", doBeto), QStringLiteral("Do Beto"));

    for (const auto& [nr, conta] : {std::pair{daAna, "ana"}, std::pair{doBeto, "beto"}}) {
        ASSERT_TRUE(tela->cdsAmostraProc->locate(QStringLiteral("NRAMOSTRA"), nr));
        QStringList linhas;
        script.OnModal([&](host::TForm& f) {
            linhas = f.findChild<host::TListBox*>(QStringLiteral("lsbHistorico"))->Items();
        });
        tela->mnuHistorico->Click();
        ASSERT_FALSE(linhas.isEmpty());
        for (const QString& linha : linhas)
            EXPECT_TRUE(linha.contains(QStringLiteral("   %1   Inclusão").arg(conta)))
                << linha.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Bancos, GravacaoE2E, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return testsupport::backendName(info.param); });

} // namespace
