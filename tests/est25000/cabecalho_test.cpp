// The sample header against the real server and database: supplier, series and invoice typed
// or picked, the product and its quantity limit, the final header check, the supplier's mask
// and the dependent fields, driven through real focus changes and lookup buttons.
#include "Ambiente.h"
#include "Gravacao.h"
#include "Tela.h"

#include <est25000/Cli_est25000.h>

#include <dataset/ClientDataSet.h>
#include <dataset/DataSource.h>
#include <dataset/EditMask.h>
#include <dataset/FormatFloat.h>
#include <host/controls/Buttonflat.h>
#include <host/controls/ComCtrls.h>
#include <host/controls/StdControls.h>
#include <host/core/Exceptions.h>
#include <host/database/DbGeral.h>
#include <host/dbcontrols/DBControls.h>
#include <host/dbcontrols/DBGrid.h>
#include <host/library/Consiste.h>
#include <host/search/Btnpesquisa.h>
#include <host/search/SearchWindow.h>

#include <QApplication>
#include <QSqlQuery>
#include <QTest>

#include <gtest/gtest.h>

using namespace est25000::teste;
using Cli_est25000::TfrmAmostraProc;
using dataset::DataSetState;

namespace {

QString texto(dataset::ClientDataSet* ds, const char* campo) {
    return ds->fieldByName(QString::fromLatin1(campo))->asString();
}

QSqlQuery consulta(const QString& sql, const QVariantList& valores = {}) {
    QSqlQuery query(dtmDBGeral::Database());
    query.prepare(sql);
    for (const QVariant& v : valores)
        query.addBindValue(v);
    EXPECT_TRUE(query.exec()) << sql.toStdString();
    return query;
}

void executa(const QString& sql, const QVariantList& valores = {}) {
    consulta(sql, valores);
}

QString quantidade(double valor) {
    return dataset::formatFloat(QStringLiteral("###0.000"), valor);
}

// One line of an invoice of the demo data, with its supplier and product.
struct LinhaNota {
    QString inscricao, tipo, nome, cdForneced, serie, numero, filial, lancto, filiRece;
    QString arvProd, cdProduto, nmProduto, unidade;
    double quantidade = 0;
};

// The first invoice line (by number) whose supplier passes the test.
LinhaNota linhaNota(const std::function<bool(const LinhaNota&)>& serve) {
    QSqlQuery q = consulta(QStringLiteral(
        "SELECT F.NRINSJURFORN, F.IDTPIJURFORN, F.NMRAZSOCFORN, F.CDFORNECED, N.CDSERIEENTR,"
        " N.NRNOTAFISC, N.CDFILIAL, N.NRLANCTONF, N.CDFILIRECE, P.CDARVPROD, P.CDPRODUTO,"
        " P.NMPRODUTO, P.SGUNIDADE, I.QTITEMNF"
        " FROM NOTAFISCENTR N JOIN FORNECEDOR F ON F.CDFORNECED = N.CDFORNECED"
        " JOIN ITEMNOTAFISCENTR I ON I.CDFILIAL = N.CDFILIAL AND I.NRLANCTONF = N.NRLANCTONF"
        " JOIN PRODUTO P ON P.CDPRODUTO = I.CDPRODUTO ORDER BY N.NRNOTAFISC, P.CDARVPROD"));
    while (q.next()) {
        LinhaNota l{q.value(0).toString(),  q.value(1).toString(),  q.value(2).toString(),
                    q.value(3).toString(),  q.value(4).toString(),  q.value(5).toString(),
                    q.value(6).toString(),  q.value(7).toString(),  q.value(8).toString(),
                    q.value(9).toString(),  q.value(10).toString(), q.value(11).toString(),
                    q.value(12).toString(), q.value(13).toDouble()};
        if (serve(l))
            return l;
    }
    ADD_FAILURE() << "no such invoice line in the demo data";
    return {};
}

bool alfanumerico(const LinhaNota& l) {
    return l.tipo == QLatin1String("J") && std::any_of(l.inscricao.begin(), l.inscricao.end(),
                                                       [](QChar c) { return c.isLetter(); });
}

class CabecalhoTest : public ::testing::Test {
protected:
    void SetUp() override {
        tela = &abreTela(script);
        amostra = tela->cdsAmostraProc;
        ASSERT_GT(amostra->recordCount(), 10);
        script.Clear();
    }
    void TearDown() override {
        if (amostra->state() == DataSetState::Edit || amostra->state() == DataSetState::Insert)
            amostra->cancel();
        fechaTela();
    }

    // Gives the edit the focus and types over its text, as the user does.
    void digita(host::TDBEdit* edit, const QString& valor) {
        foca(edit);
        edit->selectAll();
        if (valor.isEmpty())
            QTest::keyClick(edit, Qt::Key_Delete);
        else
            QTest::keyClicks(edit, valor);
    }
    // Moves the focus; false when a check refused it (the message was shown).
    bool foca(host::TControl* control) {
        try {
            control->SetFocus();
        } catch (const host::EAbort&) {
            return false;
        }
        QApplication::processEvents();
        return true;
    }
    host::TControl* focado() const { return host::TControl::Of(tela->ActiveControl()); }
    QString campo(const char* nome) const { return texto(amostra, nome); }
    void novo() {
        tela->sbtIncluir->Click();
        ASSERT_EQ(amostra->state(), DataSetState::Insert);
    }
    // Types the supplier, series and invoice of the line, leaving each edit.
    void digitaNota(const LinhaNota& l) {
        digita(tela->dbeNrInscForn, l.inscricao);
        ASSERT_TRUE(foca(tela->dbeCdSerie)) << script.LastMessage().toStdString();
        digita(tela->dbeCdSerie, l.serie);
        ASSERT_TRUE(foca(tela->dbeNrNotaFisc)) << script.LastMessage().toStdString();
        digita(tela->dbeNrNotaFisc, l.numero);
        ASSERT_TRUE(foca(tela->dbeCdProduto)) << script.LastMessage().toStdString();
    }

    host::DialogScript script;
    TfrmAmostraProc* tela = nullptr;
    dataset::ClientDataSet* amostra = nullptr;
};

// New, then everything typed: an alphanumeric CNPJ in lower case with its punctuation, the
// series in lower case, the invoice number, the product and a quantity at the invoice's limit.
TEST_F(CabecalhoTest, TypedHeaderFillsTheSampleAndTheInvoiceLimitsTheQuantity) {
    const LinhaNota l =
        linhaNota([](const LinhaNota& x) { return alfanumerico(x) && x.serie.front().isLetter(); });
    novo();
    digita(tela->dbeDescAmostra, QStringLiteral("Amostra digitada"));
    const QString mascaraCnpj = Consiste::PictPess(QStringLiteral("J"));
    digita(tela->dbeNrInscForn, dataset::formatMaskText(mascaraCnpj, l.inscricao).toLower());
    ASSERT_TRUE(foca(tela->dbeCdSerie)) << script.LastMessage().toStdString();
    EXPECT_EQ(campo("NRINSJURNF"), l.inscricao);
    EXPECT_EQ(campo("IDTPIJURNF"), QStringLiteral("J"));
    EXPECT_EQ(campo("NMRAZSOCFORN"), l.nome);
    EXPECT_EQ(campo("CDFORNECED"), l.cdForneced);
    EXPECT_EQ(tela->dbeNrInscForn->text(), dataset::formatMaskText(mascaraCnpj, l.inscricao))
        << "shown under the CNPJ mask";
    EXPECT_EQ(tela->dbeNmRazSocForn->text(), l.nome);

    QTest::keyClicks(tela->dbeCdSerie, l.serie.toLower());
    EXPECT_EQ(tela->dbeCdSerie->text(), l.serie);
    ASSERT_TRUE(foca(tela->dbeNrNotaFisc)) << script.LastMessage().toStdString();
    EXPECT_EQ(campo("CDSERIEENTR"), l.serie);
    EXPECT_TRUE(tela->cdsParamFilial->isEmpty()) << "no invoice check yet";

    QTest::keyClicks(tela->dbeNrNotaFisc, l.numero);
    ASSERT_TRUE(foca(tela->dbeCdProduto)) << script.LastMessage().toStdString();
    EXPECT_EQ(campo("NRNOTAFISC"), l.numero);
    EXPECT_EQ(campo("CDFILIAL"), l.filial);
    EXPECT_EQ(campo("NRLANCTONF"), l.lancto);
    QSqlQuery parametro =
        consulta(QStringLiteral("SELECT IDBLPRCOMEST FROM PARAMFILIAL WHERE CDFILIAL = '0001'"));
    ASSERT_TRUE(parametro.next());
    EXPECT_EQ(texto(tela->cdsParamFilial, "IDBLPRCOMEST"), parametro.value(0).toString())
        << "the current branch's stock parameters";

    QTest::keyClicks(tela->dbeCdProduto, l.arvProd);
    ASSERT_TRUE(foca(tela->dbeQuantProd)) << script.LastMessage().toStdString();
    EXPECT_EQ(campo("CDARVPROD"), l.arvProd);
    EXPECT_EQ(campo("CDPRODUTO"), l.cdProduto);
    EXPECT_EQ(tela->dbeNmProduto->text(), l.nmProduto);
    EXPECT_EQ(tela->dbeUnidProd->text(), l.unidade);

    QTest::keyClicks(tela->dbeQuantProd, quantidade(l.quantidade + 0.001));
    EXPECT_FALSE(foca(tela->dbeDescAmostra)) << "one thousandth above the invoice";
    EXPECT_EQ(script.LastMessage(),
              QStringLiteral("Quantidade não pode ser maior que a quantidade informada na nota :  "
                             "%1 .")
                  .arg(dataset::formatFloat(QStringLiteral("#,##0.000"), l.quantidade)));
    EXPECT_EQ(focado(), tela->dbeQuantProd);
    EXPECT_TRUE(script.LastMessage().contains(QLatin1Char(','))) << "Brazilian decimal comma";

    digita(tela->dbeQuantProd, quantidade(l.quantidade));
    script.Clear();
    EXPECT_TRUE(foca(tela->dbeDescAmostra)) << script.LastMessage().toStdString();
    EXPECT_TRUE(script.Messages().isEmpty()) << "equal passes";
    EXPECT_EQ(amostra->state(), DataSetState::Insert);
}

// Every failure shows its message, puts the focus back on its edit and copies nothing from a
// lookup; the invoice number is filled to the width of the supplier's invoices of the series.
TEST_F(CabecalhoTest, FailingChecksKeepTheFocusAndTheInvoiceWidthIsTheSuppliers) {
    const LinhaNota l = linhaNota(
        [](const LinhaNota& x) { return x.tipo == QLatin1String("J") && !alfanumerico(x); });
    novo();
    digita(tela->dbeNrInscForn, QStringLiteral("11111111000191"));
    EXPECT_FALSE(foca(tela->dbeCdSerie));
    EXPECT_EQ(script.LastMessage(), QStringLiteral("Fornecedor não cadastrado."));
    EXPECT_EQ(focado(), tela->dbeNrInscForn);
    EXPECT_TRUE(campo("CDFORNECED").isEmpty());
    EXPECT_TRUE(campo("NMRAZSOCFORN").isEmpty());

    digita(tela->dbeNrInscForn, l.inscricao);
    ASSERT_TRUE(foca(tela->dbeCdSerie));
    digita(tela->dbeCdSerie, QStringLiteral("ZZ"));
    EXPECT_FALSE(foca(tela->dbeNrNotaFisc));
    EXPECT_EQ(script.LastMessage(), QStringLiteral("Série NF não cadastrada."));
    EXPECT_EQ(focado(), tela->dbeCdSerie);

    digitaNota(l);
    ASSERT_EQ(l.numero.size(), 9);
    EXPECT_EQ(tela->cdsNotaFiscal->recordCount(), 1);
    digita(tela->dbeNrNotaFisc, QStringLiteral("3"));
    EXPECT_FALSE(foca(tela->dbeCdProduto));
    EXPECT_EQ(script.LastMessage(), QStringLiteral("Nota fiscal não cadastrada."));
    EXPECT_EQ(focado(), tela->dbeNrNotaFisc);
    EXPECT_EQ(campo("NRNOTAFISC"), QStringLiteral("000000003"));
    EXPECT_EQ(campo("NRLANCTONF"), l.lancto) << "a failing check copies nothing";
    // After a failed check too, and typed without its leading zeros the invoice is found.
    EXPECT_TRUE(tela->cdsNotaFiscal->isEmpty());
    digita(tela->dbeNrNotaFisc, QString::number(l.numero.toLongLong()));
    ASSERT_TRUE(foca(tela->dbeCdProduto)) << script.LastMessage().toStdString();
    EXPECT_EQ(campo("NRNOTAFISC"), l.numero);
    digita(tela->dbeCdProduto, QStringLiteral("999999"));
    EXPECT_FALSE(foca(tela->dbeQuantProd));
    EXPECT_EQ(script.LastMessage(), QStringLiteral("Produto não cadastrado."));
    EXPECT_EQ(focado(), tela->dbeCdProduto);
    EXPECT_TRUE(campo("CDPRODUTO").isEmpty());

    digita(tela->dbeCdProduto, l.arvProd);
    ASSERT_TRUE(foca(tela->dbeQuantProd));
    QTest::keyClicks(tela->dbeQuantProd, QStringLiteral("0"));
    EXPECT_FALSE(foca(tela->dbeDescAmostra));
    EXPECT_EQ(script.LastMessage(), QStringLiteral("Quantidade deve ser maior que zero."));
    EXPECT_EQ(focado(), tela->dbeQuantProd);
    digita(tela->dbeQuantProd, quantidade(l.quantidade));
    ASSERT_TRUE(foca(tela->dbeDescAmostra)) << script.LastMessage().toStdString();

    // An empty supplier in a final check with the list page in front: the form page comes
    // forward with the focus on the supplier.
    amostra->fieldByName(QStringLiteral("NRINSJURNF"))->clear();
    tela->pgcPadrao->SetActivePage(tela->tshFolhaDados);
    EXPECT_THROW(tela->Vd_Fornecedor(true), host::EAbort);
    EXPECT_EQ(script.LastMessage(), QStringLiteral("Fornecedor deve ser informado."));
    EXPECT_EQ(tela->pgcPadrao->ActivePage(), tela->tshFormulario);
    EXPECT_EQ(focado(), tela->dbeNrInscForn);
}

// Leaving the header runs the final check: the supplier group only when one of its edits holds
// text; a final check looks up only the value whose own exit has not run.
TEST_F(CabecalhoTest, FinalHeaderCheckAndTheOptionalSupplierGroup) {
    const LinhaNota l = linhaNota(alfanumerico);
    novo();
    foca(tela->dbeQuantProd);
    EXPECT_FALSE(foca(tela->dbgItensAmostra));
    EXPECT_EQ(script.LastMessage(), QStringLiteral("Descrição deve ser informada."));
    EXPECT_EQ(focado(), tela->dbeDescAmostra);

    QTest::keyClicks(tela->dbeDescAmostra, QStringLiteral("Sem nota"));
    EXPECT_FALSE(foca(tela->dbgItensAmostra));
    EXPECT_EQ(script.LastMessage(), QStringLiteral("Produto deve ser informado."))
        << "no supplier group message when its three edits are empty";
    EXPECT_EQ(focado(), tela->dbeCdProduto);
    // Emptied under the mask a final check put on: empty for the record's check too.
    digita(tela->dbeNrInscForn, l.inscricao);
    tela->Vd_Fornecedor(true);
    digita(tela->dbeNrInscForn, QString());
    EXPECT_THROW(amostra->post(), host::EAbort);
    EXPECT_EQ(script.LastMessage(), QStringLiteral("Produto deve ser informado."));

    // The invoice number put in without its own exit (the edit never had the focus).
    amostra->fieldByName(QStringLiteral("NRNOTAFISC"))->setAsString(l.numero);
    script.Clear();
    EXPECT_FALSE(foca(tela->dbgItensAmostra));
    EXPECT_EQ(script.Messages().size(), 1);
    EXPECT_EQ(script.LastMessage(), QStringLiteral("Fornecedor deve ser informado."))
        << "one edit of the group holds text: all three are required";
    EXPECT_EQ(focado(), tela->dbeNrInscForn);
    // Put in without their exits, so the final check only asks that each is given.
    amostra->fieldByName(QStringLiteral("NRINSJURNF"))->setAsString(l.inscricao);
    foca(tela->dbeCdProduto);
    EXPECT_FALSE(foca(tela->dbgItensAmostra));
    EXPECT_EQ(script.LastMessage(), QStringLiteral("Série NF deve ser informada."));
    EXPECT_EQ(focado(), tela->dbeCdSerie);
    amostra->fieldByName(QStringLiteral("CDSERIEENTR"))->setAsString(l.serie);
    amostra->fieldByName(QStringLiteral("NRNOTAFISC"))->clear();
    foca(tela->dbeCdProduto);
    EXPECT_FALSE(foca(tela->dbgItensAmostra));
    EXPECT_EQ(script.LastMessage(), QStringLiteral("Nota fiscal deve ser informada."));
    EXPECT_EQ(focado(), tela->dbeNrNotaFisc);

    digitaNota(l);
    // Typed, not left: the final check (as the confirm runs it) looks the product up.
    QTest::keyClicks(tela->dbeCdProduto, l.arvProd);
    EXPECT_TRUE(campo("NMPRODUTO").isEmpty());
    EXPECT_THROW(tela->panAmostraExit(nullptr), host::EAbort) << "no quantity yet";
    EXPECT_EQ(script.LastMessage(), QStringLiteral("Quantidade deve ser informada."));
    EXPECT_EQ(campo("NMPRODUTO"), l.nmProduto);
    EXPECT_EQ(campo("CDPRODUTO"), l.cdProduto);

    digita(tela->dbeQuantProd, quantidade(l.quantidade));
    ASSERT_TRUE(foca(tela->dbeDescAmostra));
    // With the focus elsewhere nothing is looked up again, even a code that would fail.
    tela->dbeCdProduto->setText(QStringLiteral("999999"));
    script.Clear();
    EXPECT_NO_THROW(tela->Vd_ProdAmostra(true));
    EXPECT_NO_THROW(tela->Vd_QuantAmostra(true));
    EXPECT_TRUE(foca(tela->dbgItensAmostra)) << script.LastMessage().toStdString();
    EXPECT_TRUE(script.Messages().isEmpty());
}

// The supplier edit shows the bare number while it has the focus and the number under its
// person type's mask otherwise; a keystroke clears the dependents, the check restores them.
TEST_F(CabecalhoTest, SupplierMaskOffOnEntryOnOnExitAndDependentsClearedAtTheFirstKeystroke) {
    ASSERT_TRUE(amostra->locate(QStringLiteral("IDTPIJURNF"), QStringLiteral("F")));
    const QString numero = campo("NRINSJURNF");
    const QString nome = campo("NMRAZSOCFORN");
    const QString mascaraCpf = Consiste::PictPess(QStringLiteral("F"));
    ASSERT_EQ(tela->dbeNrInscForn->text(), dataset::formatMaskText(mascaraCpf, numero));

    foca(tela->dbeNrInscForn);
    EXPECT_EQ(tela->dbeNrInscForn->text(), numero) << "browsing: bare on entry";
    EXPECT_EQ(tela->dbeNrInscForn->selectedText(), numero);
    foca(tela->dbeCdSerie);
    EXPECT_EQ(tela->dbeNrInscForn->text(), dataset::formatMaskText(mascaraCpf, numero))
        << "browsing: the mask back on exit";
    EXPECT_EQ(amostra->state(), DataSetState::Browse);

    amostra->edit();
    const QString nota = campo("NRNOTAFISC") + campo("NRLANCTONF");
    foca(tela->dbeNrInscForn);
    EXPECT_EQ(tela->dbeNrInscForn->text(), numero);
    ASSERT_TRUE(foca(tela->dbeCdSerie)) << script.LastMessage().toStdString();
    EXPECT_EQ(campo("NRNOTAFISC") + campo("NRLANCTONF"), nota) << "entering, leaving: kept";
    foca(tela->dbeNrInscForn);
    EXPECT_EQ(campo("NMRAZSOCFORN"), nome) << "taking the mask off clears nothing";
    tela->dbeNrInscForn->end(false);
    QTest::keyClick(tela->dbeNrInscForn, Qt::Key_9);
    EXPECT_TRUE(campo("NMRAZSOCFORN").isEmpty()) << "cleared at the first keystroke";
    EXPECT_TRUE(campo("IDTPIJURNF").isEmpty());
    EXPECT_TRUE(campo("NRNOTAFISC").isEmpty());
    EXPECT_TRUE(campo("NRLANCTONF").isEmpty());
    EXPECT_FALSE(campo("CDFORNECED").isEmpty()) << "the code waits for the next check";
    QTest::keyClick(tela->dbeNrInscForn, Qt::Key_Backspace);
    ASSERT_TRUE(foca(tela->dbeCdSerie)) << script.LastMessage().toStdString();
    EXPECT_EQ(campo("NMRAZSOCFORN"), nome) << "restored by the check";
    EXPECT_EQ(campo("IDTPIJURNF"), QStringLiteral("F"));
    EXPECT_EQ(tela->dbeNrInscForn->text(), dataset::formatMaskText(mascaraCpf, numero));
    EXPECT_TRUE(campo("NRNOTAFISC").isEmpty()) << "cleared by the keystroke";

    // A series typed clears the invoice number too.
    foca(tela->dbeCdSerie);
    amostra->fieldByName(QStringLiteral("NRNOTAFISC"))->setAsString(QStringLiteral("123"));
    QTest::keyClick(tela->dbeCdSerie, Qt::Key_End);
    QTest::keyClick(tela->dbeCdSerie, Qt::Key_X);
    EXPECT_TRUE(campo("NRNOTAFISC").isEmpty());

    // Picked with the focus elsewhere: the same supplier clears nothing; another shows its own
    // person type's mask, not the sample's.
    amostra->cancel();
    foca(tela->dbeDescAmostra);
    const QString cnpj = dataset::formatMaskText(Consiste::PictPess(QStringLiteral("J")),
                                                 linhaNota(alfanumerico).inscricao);
    for (const QString& inscricao : {dataset::formatMaskText(mascaraCpf, numero), cnpj}) {
        script.OnModal([inscricao](host::TForm& f) {
            ASSERT_TRUE(dynamic_cast<host::TfrmSearchWindow&>(f).Search(inscricao));
            dynamic_cast<host::TfrmSearchWindow&>(f).Pick();
        });
        ASSERT_TRUE(tela->btpFornecedor->Execute());
        EXPECT_EQ(tela->dbeNrInscForn->text(), inscricao);
        EXPECT_EQ(campo("NRNOTAFISC") + campo("NRLANCTONF"), inscricao == cnpj ? "" : nota);
    }
}

// Each lookup lists the real rows and copies the one chosen, starting an edit of a browsed
// sample; a failure before the list keeps it from opening.
TEST_F(CabecalhoTest, LookupsListTheDatabaseAndStartAnEditOfABrowsedSample) {
    const LinhaNota l = linhaNota(alfanumerico);
    for (amostra->first(); campo("NRNOTAFISC").isEmpty(); amostra->next())
        ASSERT_FALSE(amostra->eof());
    // The list shows each tax id under its own person type's mask: the formatted number is
    // what the search finds.
    const QString formatado = dataset::formatMaskText(Consiste::PictPess("J"), l.inscricao);
    QString nomeListado;
    script.OnModal([&](host::TForm& f) {
        auto& janela = dynamic_cast<host::TfrmSearchWindow&>(f);
        EXPECT_EQ(janela.Titles(), (QStringList{"Inscrição", "Razão Social"}));
        ASSERT_TRUE(janela.Search(formatado));
        nomeListado = janela.CellText(janela.SelectedRow(), 1);
        janela.Pick();
    });
    ASSERT_TRUE(tela->btpFornecedor->Execute());
    EXPECT_EQ(nomeListado, l.nome);
    EXPECT_EQ(amostra->state(), DataSetState::Edit);
    EXPECT_EQ(campo("CDFORNECED"), l.cdForneced);
    EXPECT_EQ(campo("NRINSJURNF"), l.inscricao);
    EXPECT_EQ(campo("IDTPIJURNF"), QStringLiteral("J"));
    EXPECT_EQ(campo("NMRAZSOCFORN"), l.nome);
    EXPECT_TRUE(campo("NRNOTAFISC").isEmpty());
    EXPECT_TRUE(campo("NRLANCTONF").isEmpty());
    amostra->cancel();

    script.OnModal([&](host::TForm& f) {
        auto& janela = dynamic_cast<host::TfrmSearchWindow&>(f);
        EXPECT_EQ(janela.RowCount(), 4);
        ASSERT_TRUE(janela.Search(l.serie));
        janela.Pick();
    });
    // From the keyboard: F4 in the edit presses its button, and the focus stays there.
    foca(tela->dbeCdSerie);
    QTest::keyClick(tela->dbeCdSerie, Qt::Key_F4);
    EXPECT_EQ(tela->ActiveControl(), tela->dbeCdSerie);
    EXPECT_EQ(amostra->state(), DataSetState::Edit);
    EXPECT_EQ(campo("CDSERIEENTR"), l.serie);
    amostra->cancel();

    // Browsing, the invoice list is the one of the sample's own supplier and series.
    const QString fornecedor = campo("CDFORNECED");
    const QString serie = campo("CDSERIEENTR");
    QSqlQuery notas =
        consulta(QStringLiteral(
                     "SELECT COUNT(*) FROM NOTAFISCENTR WHERE CDFORNECED = ? AND CDSERIEENTR = ?"),
                 {fornecedor, serie});
    ASSERT_TRUE(notas.next());
    script.OnModal([&](host::TForm& f) {
        auto& janela = dynamic_cast<host::TfrmSearchWindow&>(f);
        EXPECT_EQ(janela.RowCount(), notas.value(0).toInt());
        janela.SelectRow(janela.RowCount() - 1);
        janela.Pick();
    });
    ASSERT_TRUE(tela->btpNrNf->Execute());
    EXPECT_EQ(amostra->state(), DataSetState::Edit);
    EXPECT_EQ(campo("NRNOTAFISC"), texto(tela->cdsNotaFiscal, "NRNOTAFISC"));
    EXPECT_EQ(campo("NRLANCTONF"), texto(tela->cdsNotaFiscal, "NRLANCTONF"));
    EXPECT_EQ(campo("CDFILIAL"), texto(tela->cdsNotaFiscal, "CDFILIAL"));
    amostra->cancel();

    script.OnModal([&](host::TForm& f) {
        auto& janela = dynamic_cast<host::TfrmSearchWindow&>(f);
        janela.SelectRow(0);
        janela.Pick();
    });
    ASSERT_TRUE(tela->btpProduto->Execute());
    EXPECT_EQ(amostra->state(), DataSetState::Edit);
    for (const char* nome : {"CDARVPROD", "CDPRODUTO", "NMPRODUTO", "SGUNIDADE"})
        EXPECT_EQ(campo(nome), texto(tela->cdsProdAmostra, nome)) << nome;

    // Editing with an empty supplier: the invoice lookup refuses before any list.
    amostra->fieldByName(QStringLiteral("NRINSJURNF"))->clear();
    const qsizetype janelas = script.ModalCaptions().size();
    EXPECT_THROW(tela->btpNrNf->Execute(), host::EAbort);
    EXPECT_EQ(script.LastMessage(), QStringLiteral("Fornecedor deve ser informado."));
    EXPECT_EQ(script.ModalCaptions().size(), janelas);
}

// Without an invoice the quantity is limited by the stock of the day of the code's range (the
// code and the codes that begin with it, up to ten characters); with one, by the invoice
// line. A missing answer reads as a limit of zero.
TEST_F(CabecalhoTest, QuantityLimitsTheStockOfTheDayOverTheCodeRangeAndTheInvoiceLine) {
    // A product of ten characters without a position, and an eleven-character one after it
    // with a position: only a range that adds nothing to ten characters leaves it out.
    QSqlQuery pai = consulta(
        QStringLiteral("SELECT P.CDARVPROD, P.CDPRODUTO, E.QTESTOQDIA FROM PRODUTO P"
                       " JOIN POSICAOESTOQUE E ON E.CDPRODUTO = P.CDPRODUTO AND E.CDFILIAL = '0001'"
                       " JOIN FILIAL F ON F.CDFILIAL = '0001' AND E.DTPOSICAO = F.DTPROCESSAMENTO"
                       " WHERE P.CDARVPROD LIKE '1010%' ORDER BY P.CDARVPROD"));
    ASSERT_TRUE(pai.next());
    const QString arvPai = pai.value(0).toString();
    const double estoquePai = pai.value(2).toDouble();
    const QString dez = arvPai + QStringLiteral("0001");
    executa(QStringLiteral("INSERT INTO PRODUTO (CDPRODUTO, CDARVPROD, NMPRODUTO, SGUNIDADE, "
                           "CDNVPRODUTO) VALUES ('T10', ?, 'Dez', 'KG', 3), "
                           "('T11', ?, 'Onze', 'KG', 3)"),
            {dez, dez + QStringLiteral("9")});
    executa(QStringLiteral("INSERT INTO POSICAOESTOQUE (CDFILIAL, CDPRODUTO, DTPOSICAO, "
                           "QTESTOQDIA) SELECT '0001', 'T11', DTPROCESSAMENTO, 777 FROM FILIAL "
                           "WHERE CDFILIAL = '0001'"));

    novo();
    digita(tela->dbeDescAmostra, QStringLiteral("Do estoque"));
    digita(tela->dbeCdProduto, arvPai);
    ASSERT_TRUE(foca(tela->dbeQuantProd)) << script.LastMessage().toStdString();
    const auto limiteEstoque = [&](const QString& arv, double qt) {
        amostra->fieldByName(QStringLiteral("CDARVPROD"))->setAsString(arv);
        digita(tela->dbeQuantProd, quantidade(qt));
        script.Clear();
        const bool passou = foca(tela->dbeDescAmostra);
        return passou ? QString() : script.LastMessage();
    };
    const auto mensagem = [](double limite) {
        return QStringLiteral("Quantidade não pode ser maior que a quantidade em estoque  :  %1 .")
            .arg(dataset::formatFloat(QStringLiteral("#,##0.000"), limite));
    };
    EXPECT_EQ(limiteEstoque(arvPai, estoquePai), QString()) << "equal passes";
    EXPECT_EQ(limiteEstoque(arvPai, estoquePai + 0.001), mensagem(estoquePai));
    EXPECT_EQ(focado(), tela->dbeQuantProd);
    EXPECT_EQ(limiteEstoque(arvPai.left(4), estoquePai + 0.001), mensagem(estoquePai))
        << "four characters: the range begins at the code and takes its first product";
    EXPECT_EQ(limiteEstoque(dez, 1), mensagem(0)) << "ten characters: the code alone, no row";
    EXPECT_EQ(mensagem(0), QStringLiteral("Quantidade não pode ser maior que a quantidade em "
                                          "estoque  :  0,000 ."));
    amostra->cancel();

    // With an invoice: a product that is not on it has no line, so the limit is zero.
    const LinhaNota l = linhaNota(alfanumerico);
    novo();
    digita(tela->dbeDescAmostra, QStringLiteral("Da nota"));
    digitaNota(l);
    amostra->fieldByName(QStringLiteral("CDPRODUTO"))->setAsString(QStringLiteral("T10"));
    digita(tela->dbeQuantProd, QStringLiteral("1"));
    EXPECT_FALSE(foca(tela->dbeDescAmostra));
    EXPECT_EQ(script.LastMessage(), QStringLiteral("Quantidade não pode ser maior que a "
                                                   "quantidade informada na nota :  0,000 ."));
}

// The invoice quantity is asked with the receiving branch of the sample's own invoice line
// only; products loaded for stock or another sample leave it empty (any branch's line).
TEST_F(CabecalhoTest, QuantityOfAStoredSampleSendsOnlyItsOwnLinesReceivingBranch) {
    novo();
    digita(tela->dbeCdProduto, casoEstoque(dtmDBGeral::Database(), 0).inNatura.cdArvProd);
    ASSERT_TRUE(foca(tela->dbeQuantProd)) << script.LastMessage().toStdString();
    amostra->cancel();
    QSqlQuery q = consulta(QStringLiteral(
        "SELECT A.NRAMOSTRA, I.QTITEMNF FROM AMOSTRAPROC A"
        " JOIN NOTAFISCENTR N ON N.CDFILIAL = A.CDFILIAL AND N.NRLANCTONF = A.NRLANCTONF"
        " JOIN ITEMNOTAFISCENTR I ON I.CDFILIAL = N.CDFILIAL AND I.NRLANCTONF = N.NRLANCTONF"
        "  AND I.CDPRODUTO = A.CDPRODUTO"
        " WHERE N.CDFILIRECE <> N.CDFILIAL AND N.CDFILIRECE <> '0001' ORDER BY A.NRAMOSTRA"));
    ASSERT_TRUE(q.next()) << "the demo data has a sample whose invoice another branch received";
    ASSERT_TRUE(amostra->locate(QStringLiteral("NRAMOSTRA"), q.value(0).toString()));
    amostra->edit();
    digita(tela->dbeQuantProd, quantidade(q.value(1).toDouble()));
    EXPECT_TRUE(foca(tela->dbeDescAmostra)) << script.LastMessage().toStdString();
}

} // namespace
