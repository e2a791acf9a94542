// The sample screen's life against a real application server and database: first activation
// and the filter, items loaded on every move, page changes, state-driven buttons, calculated
// fields, page availability, the item-total check and closing.
#include "Ambiente.h"
#include "Tela.h"

#include <est25000/Cli_est25000.h>
#include <est25000/Cli_est25200.h>

#include <dataset/ClientDataSet.h>
#include <dataset/DataSource.h>
#include <dataset/EditMask.h>
#include <dataset/FormatFloat.h>
#include <host/controls/Buttonflat.h>
#include <host/controls/ComCtrls.h>
#include <host/controls/Menus.h>
#include <host/controls/StdControls.h>
#include <host/core/Configuration.h>
#include <host/core/EventBoundary.h>
#include <host/core/Exceptions.h>
#include <host/database/Adoibquery.h>
#include <host/database/DbGeral.h>
#include <host/dbcontrols/DBControls.h>
#include <host/dbcontrols/DBGrid.h>
#include <host/dbcontrols/DBGridModel.h>
#include <host/forms/HelpWindow.h>
#include <host/library/Consiste.h>
#include <host/library/Quorvan.h>
#include <host/library/Qvn_msg.h>
#include <host/remote/Netconnection.h>

#include <QJsonArray>
#include <QSet>

#include <QSqlQuery>
#include <QTest>
#include <algorithm>

#include <gtest/gtest.h>

using namespace est25000::teste;
using Cli_est25000::TfrmAmostraProc;

namespace {

QString texto(dataset::ClientDataSet* ds, const char* campo) {
    return ds->fieldByName(QString::fromLatin1(campo))->asString();
}

int contagem(const QString& sql, const QVariantList& valores = {}) {
    QSqlQuery query(dtmDBGeral::Database());
    query.prepare(sql);
    for (const QVariant& v : valores)
        query.addBindValue(v);
    EXPECT_TRUE(query.exec() && query.next()) << sql.toStdString();
    return query.value(0).toInt();
}

int itensNoBanco(const QString& nrAmostra) {
    return contagem(QStringLiteral("SELECT COUNT(*) FROM ITEMAMOSTRAPROC WHERE NRAMOSTRA = ?"),
                    {nrAmostra});
}

class TelaTest : public ::testing::Test {
protected:
    void SetUp() override { Ambiente::instancia(); }
    void TearDown() override { fechaTela(); }
    host::DialogScript script;
};

TEST_F(TelaTest, FirstActivationOpensTheFilterAndLaterOnesDoNot) {
    TfrmAmostraProc& tela = abreTela(script);
    EXPECT_EQ(script.ModalCaptions(),
              QStringList{QStringLiteral("Filtro de Amostras para Processamento")});
    EXPECT_FALSE(Cli_est25000::boPrimVez);
    ASSERT_NE(Cli_est25200::frmFiltroAmostraProc, nullptr);
    EXPECT_EQ(tela.cdsAmostraProc->recordCount(),
              contagem(QStringLiteral("SELECT COUNT(*) FROM AMOSTRAPROC")));
    EXPECT_TRUE(Quorvan::MsgEventForm) << "the active screen holds the hook";

    tela.DoDeactivate();
    EXPECT_FALSE(Quorvan::MsgEventForm) << "deactivation removes it";
    tela.DoActivate();
    EXPECT_TRUE(Quorvan::MsgEventForm);
    EXPECT_EQ(script.ModalCaptions().size(), 1) << "no second filter";
    EXPECT_TRUE(tela.tshFormulario->Enabled());
    EXPECT_TRUE(tela.tshFolhaDados->Enabled());
}

TEST_F(TelaTest, EveryMoveLoadsTheItemsOfTheSampleReached) {
    TfrmAmostraProc& tela = abreTela(script);
    ASSERT_GE(tela.cdsAmostraProc->recordCount(), 3);
    for (int passo = 0; passo < 3; ++passo) {
        const QString nr = texto(tela.cdsAmostraProc, "NRAMOSTRA");
        EXPECT_EQ(tela.cdsItemAmostra->recordCount(), itensNoBanco(nr)) << nr.toStdString();
        tela.cdsItemAmostra->first();
        while (!tela.cdsItemAmostra->eof()) {
            EXPECT_EQ(texto(tela.cdsItemAmostra, "NRAMOSTRA"), nr);
            tela.cdsItemAmostra->next();
        }
        tela.cdsAmostraProc->next();
    }
    tela.cdsAmostraProc->last();
    EXPECT_EQ(tela.cdsItemAmostra->recordCount(),
              itensNoBanco(texto(tela.cdsAmostraProc, "NRAMOSTRA")));
}

TEST_F(TelaTest, TheFormPageReloadsItemsOnlyWhenTheyBelongToAnotherSample) {
    TfrmAmostraProc& tela = abreTela(script);
    tela.pgcPadrao->SetActivePage(tela.tshFolhaDados);
    tela.pgcPadraoChange(tela.pgcPadrao);

    // A local change shows whether the items were taken from the server again.
    tela.cdsItemAmostra->first();
    tela.cdsItemAmostra->edit();
    tela.cdsItemAmostra->fieldByName(QStringLiteral("SGUNIDADE"))->setAsString("XX");
    tela.cdsItemAmostra->post();
    tela.pgcPadrao->SetActivePage(tela.tshFormulario);
    tela.pgcPadraoChange(tela.pgcPadrao);
    tela.cdsItemAmostra->first();
    EXPECT_EQ(texto(tela.cdsItemAmostra, "SGUNIDADE"), "XX") << "same sample: not reloaded";

    // Items of another sample in the item dataset are replaced by the current sample's.
    const QString atual = texto(tela.cdsAmostraProc, "NRAMOSTRA");
    tela.cdsAmostraProc->next();
    const QString outra = texto(tela.cdsAmostraProc, "NRAMOSTRA");
    tela.cdsAmostraProc->prior();
    ASSERT_EQ(texto(tela.cdsAmostraProc, "NRAMOSTRA"), atual);
    tela.cdsItemAmostra->setDataJson(tela.netAmostraProc->Call(
        QStringLiteral("GetItemAmostra"), QJsonArray{outra, QStringLiteral("3")}));
    tela.pgcPadrao->SetActivePage(tela.tshFolhaDados);
    tela.pgcPadraoChange(tela.pgcPadrao);
    EXPECT_EQ(texto(tela.cdsItemAmostra, "NRAMOSTRA"), outra) << "the list page loads nothing";
    tela.pgcPadrao->SetActivePage(tela.tshFormulario);
    tela.pgcPadraoChange(tela.pgcPadrao);
    EXPECT_EQ(texto(tela.cdsItemAmostra, "NRAMOSTRA"), atual);
    EXPECT_EQ(tela.cdsItemAmostra->recordCount(), itensNoBanco(atual));
}

// After every move each header edit shows the record reached: on the form page, after moves
// made with the list page in front, and when code had put another text in an edit. The
// supplier's tax id shows under the mask of its kind (people and companies alternate).
TEST_F(TelaTest, AfterEveryMoveEachHeaderEditShowsTheRecordReached) {
    TfrmAmostraProc& tela = abreTela(script);
    dataset::ClientDataSet* amostras = tela.cdsAmostraProc;
    const std::pair<host::TDBEdit*, const char*> edicoes[] = {
        {tela.dbeNrAmostra, "NRAMOSTRA"},   {tela.dbeDescAmostra, "DSAMOSTRA"},
        {tela.dbeNrInscForn, "NRINSJURNF"}, {tela.dbeNmRazSocForn, "NMRAZSOCFORN"},
        {tela.dbeCdSerie, "CDSERIEENTR"},   {tela.dbeNrNotaFisc, "NRNOTAFISC"},
        {tela.dbeCdProduto, "CDARVPROD"},   {tela.dbeNmProduto, "NMPRODUTO"},
        {tela.dbeQuantProd, "QTPRODPROC"},  {tela.dbeUnidProd, "SGUNIDADE"},
    };
    QSet<QString> tipos;
    const auto confere = [&](const char* onde) {
        const std::string amostra = texto(amostras, "NRAMOSTRA").toStdString();
        for (const auto& [edit, campo] : edicoes)
            EXPECT_EQ(edit->text(),
                      amostras->fieldByName(QString::fromLatin1(campo))->displayText())
                << campo << ", " << onde << ", sample " << amostra;
        EXPECT_EQ(tela.dbeNrAmostra->text(), texto(amostras, "NRAMOSTRA")) << onde;
        const QString tipo = texto(amostras, "IDTPIJURNF");
        const QString inscricao = texto(amostras, "NRINSJURNF");
        if (!inscricao.isEmpty()) {
            tipos << tipo;
            EXPECT_EQ(tela.dbeNrInscForn->text(),
                      dataset::formatMaskText(Consiste::PictPess(tipo), inscricao))
                << onde << ", sample " << amostra;
        }
    };
    ASSERT_GE(amostras->recordCount(), 40);
    confere("opened");
    for (int passo = 0; passo < 30; ++passo) {
        amostras->next();
        confere("form page");
    }
    EXPECT_EQ(tipos.size(), 2) << "both kinds of supplier met";

    tela.dbeDescAmostra->setText(QStringLiteral("posto pelo código"));
    tela.dbeQuantProd->setText(QStringLiteral("0"));
    tela.pgcPadrao->SetActivePage(tela.tshFolhaDados);
    tela.pgcPadraoChange(tela.pgcPadrao);
    for (int passo = 0; passo < 5; ++passo)
        amostras->next();
    tela.pgcPadrao->SetActivePage(tela.tshFormulario);
    tela.pgcPadraoChange(tela.pgcPadrao);
    confere("back on the form page");
    amostras->prior();
    confere("one back");
    amostras->last();
    confere("last");
    amostras->first();
    confere("first");
}

TEST_F(TelaTest, ThePrincipalFlagShowsAsSimOrNao) {
    TfrmAmostraProc& tela = abreTela(script);
    dataset::Field* principal = tela.cdsItemAmostra->fieldByName(QStringLiteral("IDPRODPRINC"));
    int sim = 0;
    for (tela.cdsItemAmostra->first(); !tela.cdsItemAmostra->eof(); tela.cdsItemAmostra->next()) {
        const bool s = principal->asString() == QLatin1String("S");
        sim += s;
        EXPECT_EQ(principal->displayText(), s ? QStringLiteral("Sim") : QStringLiteral("Não"));
    }
    EXPECT_EQ(sim, 1) << "one principal item per sample";

    tela.cdsItemAmostra->first();
    tela.cdsItemAmostra->edit();
    principal->setEditText(QStringLiteral("Sim"));
    EXPECT_EQ(principal->asString(), QStringLiteral("S"));
    principal->setEditText(QStringLiteral("sim"));
    EXPECT_EQ(principal->asString(), QStringLiteral("N")) << "exact comparison";
    principal->clear();
    EXPECT_EQ(principal->displayText(), QStringLiteral("Não")) << "no value shows as Não";
    tela.cdsItemAmostra->cancel();
}

TEST_F(TelaTest, LookupQueriesAndMessagesAsTheScreenHoldsThem) {
    TfrmAmostraProc& tela = abreTela(script);
    EXPECT_EQ(tela.msgPadrao->Msg(QStringLiteral("Produto")),
              QStringLiteral("Produto|Não há produto cadastrado."));
    EXPECT_EQ(tela.msgPadrao->Strings.size(), 25);

    // One or all: the flag "T" lists every series by code, a value alone its own row.
    tela.qrySerieNF->Close();
    tela.qrySerieNF->ParamByName(QStringLiteral("P_CDSERIEENTR"))->SetAsString(QString());
    tela.qrySerieNF->ParamByName(QStringLiteral("P_TCDSERIEENTR"))->SetAsString("T");
    tela.qrySerieNF->Open();
    QStringList series;
    dataset::ClientDataSet* linhas = tela.qrySerieNF->Query();
    for (linhas->first(); !linhas->eof(); linhas->next())
        series << texto(linhas, "CDSERIEENTR");
    EXPECT_EQ(series.size(), contagem(QStringLiteral("SELECT COUNT(*) FROM SERIEENTR")));
    QStringList ordenadas = series;
    ordenadas.sort();
    EXPECT_EQ(series, ordenadas);
    tela.qrySerieNF->Close();
    tela.qrySerieNF->ParamByName(QStringLiteral("P_CDSERIEENTR"))->SetAsString(series.last());
    tela.qrySerieNF->ParamByName(QStringLiteral("P_TCDSERIEENTR"))->SetAsString(QString());
    tela.qrySerieNF->Open();
    EXPECT_EQ(linhas->recordCount(), 1);
    EXPECT_EQ(texto(linhas, "CDSERIEENTR"), series.last());
    EXPECT_EQ(linhas->fieldByName(QStringLiteral("DSSERIEENTR"))->displayLabel(), "Descrição");

    // Suppliers by name, keyed by the tax id; the list shows two columns.
    tela.qryFornecedor->Close();
    tela.qryFornecedor->ParamByName(QStringLiteral("P_NRINSJURFORN"))->SetAsString(QString());
    tela.qryFornecedor->ParamByName(QStringLiteral("P_TNRINSJURFORN"))->SetAsString("T");
    tela.qryFornecedor->Open();
    dataset::ClientDataSet* fornecedores = tela.qryFornecedor->Query();
    QStringList nomes;
    for (fornecedores->first(); !fornecedores->eof(); fornecedores->next())
        nomes << texto(fornecedores, "NMRAZSOCFORN");
    QStringList porNome = nomes;
    std::sort(porNome.begin(), porNome.end());
    EXPECT_EQ(nomes, porNome) << "ordered by name";
    EXPECT_EQ(nomes.size(), contagem(QStringLiteral("SELECT COUNT(*) FROM FORNECEDOR")));
    QStringList visiveis;
    for (dataset::Field* f : fornecedores->fields())
        if (f->visible())
            visiveis << f->displayLabel();
    EXPECT_EQ(visiveis, (QStringList{"Inscrição", "Razão Social"}));
}

// Nothing is typed that the field, and the database column behind it, could not hold.
TEST_F(TelaTest, HeaderEditsTakeNoMoreThanTheirFieldsAndTheInvoiceNumberTakesDigitsOnly) {
    TfrmAmostraProc& tela = abreTela(script);
    ativa(tela);
    tela.cdsAmostraProc->edit();
    tela.dbeDescAmostra->SetFocus();
    tela.dbeDescAmostra->selectAll();
    QTest::keyClicks(tela.dbeDescAmostra, QString(50, QLatin1Char('a')) + QLatin1Char('b'));
    EXPECT_EQ(tela.dbeDescAmostra->text(), QString(50, QLatin1Char('a')))
        << "the 51st character is refused";
    tela.dbeCdSerie->SetFocus();
    EXPECT_EQ(texto(tela.cdsAmostraProc, "DSAMOSTRA"), QString(50, QLatin1Char('a')));
    tela.dbeCdSerie->selectAll();
    QTest::keyClicks(tela.dbeCdSerie, QStringLiteral("abcdefg"));
    EXPECT_EQ(tela.dbeCdSerie->text(), QStringLiteral("ABCDE")) << "a series has 5 characters";
    QTest::keyClick(tela.dbeCdSerie, Qt::Key_Escape); // dropped: no unknown series to refuse

    tela.dbeNrNotaFisc->SetFocus();
    tela.dbeNrNotaFisc->selectAll();
    QTest::keyClicks(tela.dbeNrNotaFisc, QStringLiteral("12ab3"));
    QTest::keyClicks(tela.dbeNrNotaFisc, QString(30, QLatin1Char('9')));
    // Written to the field on leaving, before the invoice check refuses the unknown number.
    EXPECT_THROW(tela.dbeCdSerie->SetFocus(), host::EAbort);
    const QString nf = texto(tela.cdsAmostraProc, "NRNOTAFISC");
    EXPECT_TRUE(nf.startsWith(QStringLiteral("123"))) << nf.toStdString();
    EXPECT_EQ(nf.size(), 20);
    EXPECT_FALSE(nf.contains(QLatin1Char('a')));
    tela.cdsAmostraProc->cancel();
}

TEST_F(TelaTest, EachConnectionTakesTheServerAddressCurrentWhenItOpens) {
    TfrmAmostraProc& tela = abreTela(script);
    const int porta = Ambiente::instancia().porta();
    for (TNetConnection* net : {tela.netAmostraProc, tela.netEstoque, tela.netInfoProd}) {
        EXPECT_TRUE(net->Connected());
        EXPECT_EQ(net->Port, porta);
        EXPECT_EQ(net->Host(), QStringLiteral("127.0.0.1"));
    }
    EXPECT_EQ(tela.netAmostraProc->ServerName, QStringLiteral("Est25000.rdmAmostraProc"));
    EXPECT_EQ(tela.netEstoque->ServerName, QStringLiteral("Est00000.rdmEstoque"));
    EXPECT_EQ(tela.netInfoProd->ServerName, QStringLiteral("Est00000.rdmEstoque"));

    host::Configuration::Override(host::cfg::kServer, QStringLiteral("localhost:%1").arg(porta));
    tela.netEstoque->SetConnected(false);
    tela.netEstoque->SetConnected(true);
    EXPECT_EQ(tela.netEstoque->Host(), QStringLiteral("localhost"));
    EXPECT_EQ(tela.netAmostraProc->Host(), QStringLiteral("127.0.0.1")) << "not reopened";
    host::Configuration::Override(host::cfg::kServer, QStringLiteral("127.0.0.1:%1").arg(porta));
}

// The screen asks the server for a Ping as it connects: a refused token or a server that is
// not there is told once, in words that say what to check, and no half-working screen opens.
TEST_F(TelaTest, ARefusedTokenOrAnUnreachableServerIsReportedOnceWhenTheScreenOpens) {
    const Ambiente& ambiente = Ambiente::instancia();
    Quorvan::InstallMessageHook();
    const auto abre = [] { host::Guard([] { IniProc(); }); };

    TNetConnection::SetAccessToken(QStringLiteral("errado"));
    abre();
    TNetConnection::SetAccessToken(ambiente.token());
    ASSERT_EQ(script.Messages().size(), 1) << script.LastMessage().toStdString();
    EXPECT_TRUE(script.LastMessage().startsWith(
        QStringLiteral("O servidor de aplicação em 127.0.0.1:%1 recusou o acesso")
            .arg(ambiente.porta())))
        << script.LastMessage().toStdString();
    EXPECT_TRUE(script.LastMessage().contains(QStringLiteral("--token")));
    EXPECT_EQ(Cli_est25000::frmAmostraProc, nullptr);
    EXPECT_FALSE(Cli_est25000::boIdCriado);
    EXPECT_TRUE(script.ModalCaptions().isEmpty()) << "no filter of a screen that is not there";

    const int portaLivre = Ambiente::portaSemServidor();
    ASSERT_GT(portaLivre, 0);
    host::Configuration::Override(host::cfg::kServer,
                                  QStringLiteral("127.0.0.1:%1").arg(portaLivre));
    script.Clear();
    abre();
    host::Configuration::Override(host::cfg::kServer,
                                  QStringLiteral("127.0.0.1:%1").arg(ambiente.porta()));
    ASSERT_EQ(script.Messages().size(), 1) << script.LastMessage().toStdString();
    EXPECT_TRUE(script.LastMessage().startsWith(
        QStringLiteral("Não foi possível conectar ao servidor de aplicação em 127.0.0.1:%1")
            .arg(portaLivre)))
        << script.LastMessage().toStdString();
    EXPECT_EQ(Cli_est25000::frmAmostraProc, nullptr);

    // With the server back the screen opens as usual.
    script.Clear();
    TfrmAmostraProc& tela = abreTela(script);
    EXPECT_TRUE(tela.netAmostraProc->Connected());
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
}

// F1 anywhere in the screen, its help button and its help menu entry show the screen's page,
// in Portuguese, in the suite's help window.
TEST_F(TelaTest, F1TheHelpButtonAndTheHelpMenuShowTheScreensPage) {
    TfrmAmostraProc& tela = abreTela(script);
    ativa(tela);
    QStringList paginas;
    const auto lePagina = [&](host::TForm& ajuda) {
        paginas << ajuda.Caption() + '\n' + dynamic_cast<host::TfrmAjuda&>(ajuda).PlainText();
    };
    script.OnModal(lePagina);
    QTest::keyClick(tela.dbeDescAmostra, Qt::Key_F1);
    script.OnModal(lePagina);
    tela.sbtAjuda->Click();
    script.OnModal(lePagina);
    tela.mnuAjuda->Click();
    ASSERT_EQ(paginas.size(), 3) << script.LastMessage().toStdString();
    EXPECT_EQ(paginas[1], paginas[0]);
    EXPECT_EQ(paginas[2], paginas[0]);
    EXPECT_TRUE(
        paginas[0].startsWith(QStringLiteral("Ajuda — Amostras para Processamento (EST25000)\n")))
        << paginas[0].toStdString();
    EXPECT_TRUE(paginas[0].contains(QStringLiteral("Page Down")));
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
}

// While a sample is edited the items' total stands beside its quantity, with what is missing
// or left over, as the items and the quantity change, before anything is posted.
TEST_F(TelaTest, WhileASampleIsEditedTheItemTotalShowsLive) {
    TfrmAmostraProc& tela = abreTela(script);
    ativa(tela);
    ASSERT_FALSE(tela.cdsItemAmostra->isEmpty());
    EXPECT_TRUE(tela.lblTotalItens->Caption().isEmpty()) << "only while editing";
    dataset::Field* qtAmostra = tela.cdsAmostraProc->fieldByName(QStringLiteral("QTPRODPROC"));
    dataset::Field* qtItem = tela.cdsItemAmostra->fieldByName(QStringLiteral("QTPRODGERADO"));
    double soma = 0;
    for (tela.cdsItemAmostra->first(); !tela.cdsItemAmostra->eof(); tela.cdsItemAmostra->next())
        soma += qtItem->asFloat();
    const auto q = [](double v) { return dataset::formatFloat(QStringLiteral("#,##0.000"), v); };

    tela.sbtAlterar->Click();
    ASSERT_EQ(tela.cdsAmostraProc->state(), dataset::DataSetState::Edit);
    EXPECT_EQ(tela.lblTotalItens->Caption(), QStringLiteral("Itens %1 de %1").arg(q(soma)));
    qtAmostra->setAsFloat(soma + 0.5);
    EXPECT_EQ(tela.lblTotalItens->Caption(),
              QStringLiteral("Itens %1 de %2 — faltam 0,500").arg(q(soma), q(soma + 0.5)));
    tela.cdsItemAmostra->first();
    tela.cdsItemAmostra->edit();
    qtItem->setAsFloat(qtItem->asFloat() + 0.75);
    EXPECT_EQ(tela.lblTotalItens->Caption(),
              QStringLiteral("Itens %1 de %2 — sobram 0,250").arg(q(soma + 0.75), q(soma + 0.5)));
    tela.cdsItemAmostra->cancel();

    // Typed in the quantity cell of the first item, before the cell is written.
    tela.cdsItemAmostra->first();
    const double primeiro = qtItem->asFloat();
    tela.dbgItensAmostra->SetFocus();
    tela.dbgItensAmostra->SetSelectedIndex(2);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("1"));
    ASSERT_TRUE(tela.dbgItensAmostra->EditorMode());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral(",25"));
    const double digitado = soma - primeiro + 1.25;
    EXPECT_EQ(tela.lblTotalItens->Caption(),
              QStringLiteral("Itens %1 de %2 — faltam %3")
                  .arg(q(digitado), q(soma + 0.5), q(soma + 0.5 - digitado)));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    tela.cdsAmostraProc->cancel();
    EXPECT_TRUE(tela.lblTotalItens->Caption().isEmpty());
}

TEST_F(TelaTest, CalculatedFieldsCaptionTheSampleAndItsProduct) {
    TfrmAmostraProc& tela = abreTela(script);
    const QString esperado = dataset::formatMaskText(QStringLiteral("9.99.999"),
                                                     texto(tela.cdsAmostraProc, "CDARVPROD")) +
                             QStringLiteral(" ") + texto(tela.cdsAmostraProc, "NMPRODUTO");
    EXPECT_EQ(texto(tela.cdsAmostraProc, "PRODDESC"), esperado);
    EXPECT_TRUE(texto(tela.cdsAmostraProc, "PRODDESC").contains(QLatin1Char('.')));
    EXPECT_EQ(texto(tela.cdsAmostraProc, "DESCAMOSTRA"),
              texto(tela.cdsAmostraProc, "NRAMOSTRA") + QStringLiteral(" - ") +
                  texto(tela.cdsAmostraProc, "DSAMOSTRA"));
    EXPECT_EQ(tela.dbtNome->text(), texto(tela.cdsAmostraProc, "DESCAMOSTRA"));

    tela.cdsAmostraProc->append();
    EXPECT_EQ(texto(tela.cdsAmostraProc, "DESCAMOSTRA"), QStringLiteral(" - "));
    EXPECT_EQ(texto(tela.cdsAmostraProc, "PRODDESC"),
              dataset::formatMaskText(QStringLiteral("9.99.999"), QString()) + QStringLiteral(" "));
    tela.cdsAmostraProc->cancel();
}

TEST_F(TelaTest, ButtonsFollowTheStateOfTheSample) {
    TfrmAmostraProc& tela = abreTela(script);
    EXPECT_TRUE(tela.sbtFiltro->Enabled());
    EXPECT_FALSE(tela.sbtVisualizaErros->Enabled());

    // Error rows name the item by its internal code, as the server sends them.
    tela.cdsItemAmostra->first();
    const QString cdProduto = texto(tela.cdsItemAmostra, "CDPRODUTO");
    const QString cdArvProd = texto(tela.cdsItemAmostra, "CDARVPROD");
    ASSERT_FALSE(cdProduto.isEmpty());
    ASSERT_NE(cdProduto, cdArvProd);
    dataset::DataPacket erros;
    erros.fields = {{"CDOBJETO", dataset::FieldType::String, 20},
                    {"CDERRO", dataset::FieldType::String, 20}};
    erros.rows = {{cdArvProd, QStringLiteral("EST25000_1")}};
    tela.cdsErros()->setData(erros);
    tela.cdsAmostraProc->edit();
    EXPECT_FALSE(tela.sbtVisualizaErros->Enabled()) << "the tree code is never in CDOBJETO";
    EXPECT_FALSE(tela.sbtFiltro->Enabled()) << "no filter while editing";
    tela.cdsAmostraProc->cancel();
    EXPECT_TRUE(tela.sbtFiltro->Enabled());
    erros.rows = {{cdProduto, QStringLiteral("EST25000_1")}};
    tela.cdsErros()->setData(erros);
    tela.cdsAmostraProc->edit();
    EXPECT_TRUE(tela.sbtVisualizaErros->Enabled());
    tela.cdsAmostraProc->cancel();
    EXPECT_TRUE(tela.sbtVisualizaErros->Enabled());
    erros.rows.clear();
    tela.cdsErros()->setData(erros);

    tela.cdsAmostraProc->append();
    EXPECT_FALSE(tela.sbtFiltro->Enabled()) << "nor while inserting";
    EXPECT_FALSE(tela.sbtVisualizaErros->Enabled());
    tela.cdsAmostraProc->cancel();
    EXPECT_TRUE(tela.sbtFiltro->Enabled());
}

TEST_F(TelaTest, AnEmptyListDisablesBothPagesAndTheirMenuEntries) {
    TfrmAmostraProc& tela = abreTela(script, [](Cli_est25200::TfrmFiltroAmostraProc& f) {
        f.medInterInic->SetText(QStringLiteral("9999999990"));
        f.medInterFinal->SetText(QStringLiteral("9999999999"));
        f.sbtConfirma->Click();
    });
    EXPECT_TRUE(tela.cdsAmostraProc->isEmpty());
    EXPECT_FALSE(tela.tshFormulario->Enabled());
    EXPECT_FALSE(tela.tshFolhaDados->Enabled());
    EXPECT_FALSE(tela.mnuFormulario->Enabled());
    EXPECT_FALSE(tela.mnuFolhaDados->Enabled());

    // The Filter button applies the update after its dialog closes, even unconfirmed.
    script.OnModal([](host::TForm&) {});
    tela.sbtFiltro->Click();
    EXPECT_FALSE(tela.tshFormulario->Enabled());
    script.OnModal([](host::TForm& f) {
        auto& filtro = dynamic_cast<Cli_est25200::TfrmFiltroAmostraProc&>(f);
        filtro.sbtDesfazer->Click();
        filtro.sbtConfirma->Click();
    });
    tela.sbtFiltro->Click();
    EXPECT_FALSE(tela.cdsAmostraProc->isEmpty());
    EXPECT_TRUE(tela.tshFormulario->Enabled());
    EXPECT_TRUE(tela.mnuFolhaDados->Enabled());
}

// Records the page shown when each message box appears.
class PaginaNaMensagem : public host::DialogScript {
public:
    TfrmAmostraProc* tela = nullptr;
    QList<host::TTabSheet*> paginas;
    int MessageBox(const QString& text, host::TMsgDlgType type, host::TMsgDlgButtons buttons,
                   int helpContext, host::TMsgDlgBtn defaultButton) override {
        if (tela)
            paginas << tela->pgcPadrao->ActivePage();
        return host::DialogScript::MessageBox(text, type, buttons, helpContext, defaultButton);
    }
};

TEST(TelaFechamento, ItemsThatDoNotAddUpRefuseTheCloseAndKeepEverything) {
    PaginaNaMensagem script;
    TfrmAmostraProc& tela = abreTela(script);
    script.tela = &tela;
    tela.pgcPadrao->SetActivePage(tela.tshFolhaDados);
    tela.pgcPadraoChange(tela.pgcPadrao);

    tela.cdsItemAmostra->first();
    tela.cdsItemAmostra->edit();
    dataset::Field* qt = tela.cdsItemAmostra->fieldByName(QStringLiteral("QTPRODGERADO"));
    qt->setAsFloat(qt->asFloat() - 0.5);
    tela.cdsItemAmostra->post();
    auto* filtro = Cli_est25200::frmFiltroAmostraProc;

    EXPECT_THROW(tela.Close(), host::EAbort);
    processaEventos();
    ASSERT_TRUE(Cli_est25000::boIdCriado) << "the close was refused";
    EXPECT_EQ(Cli_est25000::frmAmostraProc, &tela);
    EXPECT_EQ(Cli_est25200::frmFiltroAmostraProc, filtro);
    EXPECT_TRUE(Quorvan::MsgEventForm) << "the hook stays";
    EXPECT_TRUE(tela.netAmostraProc->Connected());
    EXPECT_EQ(script.LastMessage(),
              QStringLiteral("Somatório das quantidades dos itens gerados difere da quantidade "
                             "do produto in natura. (Diferença: -0,5000)"));
    ASSERT_EQ(script.paginas.size(), 1);
    EXPECT_EQ(script.paginas[0], tela.tshFormulario) << "the form page shows before the message";
    EXPECT_EQ(host::TControl::Of(tela.ActiveControl()), tela.dbgItensAmostra);
    EXPECT_TRUE(tela.cdsItemAmostra->eof()) << "the check walked every item";

    // The filter still works, on the same dialog.
    script.OnModal([](host::TForm&) {});
    script.Answer(host::mrYes); // discard the item changed
    tela.sbtFiltro->Click();
    EXPECT_EQ(script.ModalCaptions().size(), 2);
    EXPECT_EQ(Cli_est25200::frmFiltroAmostraProc, filtro);

    // Items back in order: the close goes ahead and releases everything.
    tela.cdsItemAmostra->cancelUpdates();
    tela.Close();
    processaEventos();
    EXPECT_FALSE(Cli_est25000::boIdCriado);
    EXPECT_EQ(Cli_est25200::frmFiltroAmostraProc, nullptr);
    EXPECT_FALSE(Quorvan::MsgEventForm);
    EXPECT_EQ(Cli_est25000::frmAmostraProc, nullptr) << "the screen was destroyed";

    // A new screen gets a new filter dialog at its first activation.
    host::DialogScript outro;
    abreTela(outro);
    EXPECT_EQ(outro.ModalCaptions().size(), 1);
    EXPECT_NE(Cli_est25200::frmFiltroAmostraProc, nullptr);
    fechaTela();
}

} // namespace

// On a move the items request of the sample reached is already out when the header edits show
// it; with the controls disabled nothing goes out early and the move still loads its items.
TEST_F(TelaTest, AMoveSendsTheItemsRequestBeforeTheHeaderShowsTheRecord) {
    TfrmAmostraProc& tela = abreTela(script);
    dataset::ClientDataSet* amostras = tela.cdsAmostraProc;
    ASSERT_GE(amostras->recordCount(), 3);
    const auto pedido = [&] {
        return QJsonArray{texto(amostras, "NRAMOSTRA"), QStringLiteral("3")};
    };
    QStringList vistas;
    QStringList jaPedidas;
    const auto conexao =
        QObject::connect(tela.dbeNrAmostra, &QLineEdit::textChanged, [&](const QString& nr) {
            vistas << nr;
            if (tela.netAmostraProc->Pending(QStringLiteral("GetItemAmostra"), pedido()))
                jaPedidas << nr;
        });
    // The form's list grid was bound before the screen's handler: it must follow it too.
    auto* modelo = qobject_cast<host::DBGridModel*>(tela.dbgPadrao->model());
    ASSERT_NE(modelo, nullptr);
    int gradeSincronizada = 0;
    int gradeJaPedida = 0;
    const auto conexaoGrade = QObject::connect(modelo, &host::DBGridModel::synced, [&] {
        ++gradeSincronizada;
        if (tela.netAmostraProc->Pending(QStringLiteral("GetItemAmostra"), pedido()))
            ++gradeJaPedida;
    });
    amostras->next();
    amostras->next();
    amostras->prior();
    QObject::disconnect(conexao);
    QObject::disconnect(conexaoGrade);
    EXPECT_EQ(vistas.size(), 3);
    EXPECT_EQ(jaPedidas, vistas);
    EXPECT_EQ(gradeSincronizada, 3);
    EXPECT_EQ(gradeJaPedida, 3);
    EXPECT_FALSE(tela.netAmostraProc->Pending(QStringLiteral("GetItemAmostra"), pedido()))
        << "the move took its own answer";
    EXPECT_EQ(texto(tela.cdsItemAmostra, "NRAMOSTRA"), texto(amostras, "NRAMOSTRA"));
    EXPECT_EQ(tela.cdsItemAmostra->recordCount(), itensNoBanco(texto(amostras, "NRAMOSTRA")));

    amostras->disableControls();
    amostras->next();
    EXPECT_FALSE(tela.netAmostraProc->Pending(QStringLiteral("GetItemAmostra"), pedido()));
    amostras->enableControls();
    EXPECT_EQ(texto(tela.cdsItemAmostra, "NRAMOSTRA"), texto(amostras, "NRAMOSTRA"));
    EXPECT_EQ(tela.cdsItemAmostra->recordCount(), itensNoBanco(texto(amostras, "NRAMOSTRA")));
}

// An items call that fails during a move raises out of the move and leaves the items shown.
TEST_F(TelaTest, AFailingItemsCallDuringAMoveRaisesAndShowsNoItems) {
    TfrmAmostraProc& tela = abreTela(script);
    dataset::ClientDataSet* amostras = tela.cdsAmostraProc;
    ASSERT_GE(amostras->recordCount(), 2);
    const QString antes = texto(amostras, "NRAMOSTRA");
    const int itens = tela.cdsItemAmostra->recordCount();
    ASSERT_GT(itens, 0);
    TNetConnection::SetAccessToken(QStringLiteral("errado"));
    QString mensagem;
    try {
        amostras->next();
    } catch (const host::EHostError& e) {
        mensagem = e.message();
    }
    TNetConnection::SetAccessToken(Ambiente::instancia().token());
    EXPECT_EQ(mensagem, QStringLiteral("Token de acesso ausente ou inválido."));
    EXPECT_NE(texto(amostras, "NRAMOSTRA"), antes);
    // The previous sample's items are not left under the header of the one reached.
    EXPECT_EQ(tela.cdsItemAmostra->rowCount(), 0);
    EXPECT_EQ(tela.cdsItemAmostra->changeCount(), 0);

    amostras->next(); // the connection goes on working
    EXPECT_EQ(texto(tela.cdsItemAmostra, "NRAMOSTRA"), texto(amostras, "NRAMOSTRA"));
}
