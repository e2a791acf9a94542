// The filter dialog on the real database and server: validations with their messages and
// focus, the list it loads, undo, reuse of the hidden dialog and re-application from the
// screen while it is hidden.
#include "Ambiente.h"
#include "Tela.h"

#include <est25000/Cli_est25000.h>
#include <est25000/Cli_est25200.h>

#include <dataset/ClientDataSet.h>
#include <dataset/EditMask.h>
#include <host/controls/Buttonflat.h>
#include <host/controls/StdControls.h>
#include <host/core/Exceptions.h>
#include <host/database/Adoibquery.h>
#include <host/database/DbGeral.h>
#include <host/forms/HelpWindow.h>
#include <host/library/Consiste.h>
#include <host/search/Btnpesquisa.h>

#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

#include <gtest/gtest.h>

using namespace est25000::teste;
using Cli_est25200::TfrmFiltroAmostraProc;

namespace {

QStringList linha(const QString& sql) {
    QSqlQuery query(dtmDBGeral::Database());
    EXPECT_TRUE(query.exec(sql) && query.next()) << sql.toStdString();
    QStringList valores;
    for (int i = 0; i < query.record().count(); ++i)
        valores << query.value(i).toString();
    return valores;
}

QStringList numeros(dataset::ClientDataSet* ds) {
    QStringList nrs;
    for (const dataset::Row& row : ds->data().rows)
        nrs << row.value(ds->fieldByName(QStringLiteral("NRAMOSTRA"))->index()).toString();
    return nrs;
}

// The screen is open with the whole list; each test drives the dialog again through the
// Filter button.
class FiltroTest : public ::testing::Test {
protected:
    void SetUp() override {
        tela = &abreTela(script);
        todas = numeros(tela->cdsAmostraProc);
    }
    void TearDown() override { fechaTela(); }

    // Opens the dialog with the Filter button and runs `passos` on it; the dialog is closed
    // as cancelled afterwards when it is still open.
    void filtra(const std::function<void(TfrmFiltroAmostraProc&)>& passos) {
        script.Clear();
        script.OnModal([&](host::TForm& f) {
            try {
                passos(dynamic_cast<TfrmFiltroAmostraProc&>(f));
            } catch (const host::EAbort&) {
                // a refused confirm: its message was shown
            }
            aberto = f.Modal();
            focado = host::TControl::Of(f.ActiveControl());
        });
        tela->sbtFiltro->Click();
    }

    host::DialogScript script;
    Cli_est25000::TfrmAmostraProc* tela = nullptr;
    QStringList todas;
    bool aberto = false;
    host::TControl* focado = nullptr;
};

TEST_F(FiltroTest, ASampleRangeLoadsOnlyThoseSamples) {
    ASSERT_GE(todas.size(), 10);
    filtra([](TfrmFiltroAmostraProc& f) {
        f.medInterInic->SetText(QStringLiteral("3"));
        f.medInterFinal->SetText(QStringLiteral("7"));
        f.sbtConfirma->Click();
    });
    EXPECT_FALSE(aberto);
    EXPECT_TRUE(script.Messages().isEmpty());
    const QStringList nrs = numeros(tela->cdsAmostraProc);
    EXPECT_EQ(nrs.first(), QStringLiteral("0000000003"));
    EXPECT_EQ(nrs.last(), QStringLiteral("0000000007"));
    EXPECT_EQ(nrs.size(), 5);
    auto* f = Cli_est25200::frmFiltroAmostraProc;
    EXPECT_EQ(f->medInterInic->Text(), QStringLiteral("0000000003")) << "adjusted in the field";

    // A clerk on the keyboard confirms with Ctrl+Enter: the confirm button takes no focus.
    filtra([](TfrmFiltroAmostraProc& f) {
        ativa(f);
        f.medInterInic->SetText(QStringLiteral("2"));
        f.medInterFinal->SetFocus();
        QTest::keyClicks(f.medInterFinal, QStringLiteral("4"));
        QTest::keyClick(f.medInterFinal, Qt::Key_Return, Qt::ControlModifier);
    });
    EXPECT_FALSE(aberto);
    EXPECT_TRUE(script.Messages().isEmpty());
    EXPECT_EQ(numeros(tela->cdsAmostraProc),
              (QStringList{"0000000002", "0000000003", "0000000004"}));
}

TEST_F(FiltroTest, RefusedRangesKeepTheDialogOpenAndTheListAsItWas) {
    filtra([](TfrmFiltroAmostraProc& f) {
        f.medInterInic->SetText(QStringLiteral("7"));
        f.medInterFinal->SetText(QStringLiteral("5"));
        f.sbtConfirma->Click();
    });
    EXPECT_TRUE(aberto);
    EXPECT_EQ(script.LastMessage(),
              QStringLiteral("Intervalo inicial deve ser menor ou igual ao intervalo final."));
    EXPECT_EQ(focado, Cli_est25200::frmFiltroAmostraProc->medInterInic);
    EXPECT_EQ(numeros(tela->cdsAmostraProc), todas);

    filtra([](TfrmFiltroAmostraProc& f) {
        f.sbtDesfazer->Click();
        f.medInterInic->SetText(QStringLiteral("5"));
        f.sbtConfirma->Click();
    });
    EXPECT_EQ(script.LastMessage(), QStringLiteral("Intervalo deve ser informado."));
    EXPECT_EQ(focado, Cli_est25200::frmFiltroAmostraProc->medInterFinal);
    EXPECT_EQ(numeros(tela->cdsAmostraProc), todas);

    // Refused from the keyboard: the message is shown, nothing escapes the key press.
    filtra([](TfrmFiltroAmostraProc& f) {
        ativa(f);
        f.medInterFinal->SetText(QStringLiteral("3"));
        f.medInterInic->SetFocus();
        QTest::keyClick(f.medInterInic, Qt::Key_Return, Qt::ControlModifier);
    });
    EXPECT_TRUE(aberto);
    EXPECT_EQ(script.LastMessage(),
              QStringLiteral("Intervalo inicial deve ser menor ou igual ao intervalo final."));
    EXPECT_EQ(focado, Cli_est25200::frmFiltroAmostraProc->medInterInic);
    EXPECT_EQ(numeros(tela->cdsAmostraProc), todas);
}

TEST_F(FiltroTest, SupplierIsValidatedAndItsSamplesLoaded) {
    const QStringList fornecedor =
        linha(QStringLiteral("SELECT F.NRINSJURFORN, F.NMRAZSOCFORN, COUNT(*) FROM AMOSTRAPROC A "
                             "JOIN FORNECEDOR F ON F.CDFORNECED = A.CDFORNECED "
                             "GROUP BY F.NRINSJURFORN, F.NMRAZSOCFORN ORDER BY COUNT(*) DESC"));
    filtra([&](TfrmFiltroAmostraProc& f) {
        f.medFornecedor->SetText(fornecedor[0]);
        f.sbtConfirma->Click();
    });
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
    EXPECT_EQ(tela->cdsAmostraProc->recordCount(), fornecedor[2].toInt());
    auto* f = Cli_est25200::frmFiltroAmostraProc;
    EXPECT_EQ(f->edtNmFornecedor->Text(), fornecedor[1]);
    EXPECT_NE(f->medFornecedor->EditMask(), QStringLiteral(">aaaaaaaaaaaaaaaaaaaa;0; "))
        << "the mask of the person type";

    // Reopened, the dialog shows the criteria left in it; undo clears them.
    filtra([&](TfrmFiltroAmostraProc& d) {
        EXPECT_EQ(d.medFornecedor->Text(), fornecedor[0]);
        EXPECT_EQ(d.edtNmFornecedor->Text(), fornecedor[1]);
        d.sbtDesfazer->Click();
        EXPECT_TRUE(d.medFornecedor->Text().isEmpty());
        EXPECT_TRUE(d.edtNmFornecedor->Text().isEmpty());
        d.sbtConfirma->Click();
    });
    EXPECT_EQ(numeros(tela->cdsAmostraProc), todas);
}

// Typed as a clerk types them: a CPF shows the CPF picture once its type is known; an
// alphanumeric CNPJ typed next, over that picture, keeps its letters and finds its supplier.
TEST_F(FiltroTest, ACpfThenAnAlphanumericCnpjTypedIntoTheSupplierField) {
    const QStringList cnpj = linha(QStringLiteral(
        "SELECT F.NRINSJURFORN, F.NMRAZSOCFORN, COUNT(A.NRAMOSTRA) FROM FORNECEDOR F "
        "LEFT JOIN AMOSTRAPROC A ON A.CDFORNECED = F.CDFORNECED WHERE F.IDTPIJURFORN = 'J' "
        "AND F.NRINSJURFORN GLOB '*[A-Z]*' GROUP BY F.NRINSJURFORN, F.NMRAZSOCFORN "
        "ORDER BY COUNT(A.NRAMOSTRA) DESC"));
    const QStringList cpf = linha(QStringLiteral(
        "SELECT NRINSJURFORN, NMRAZSOCFORN FROM FORNECEDOR WHERE IDTPIJURFORN = 'F'"));
    const QString pictureCpf = Consiste::PictPess(QStringLiteral("F"));
    filtra([&](TfrmFiltroAmostraProc& f) {
        ativa(f); // the keyboard is in the dialog, as for a clerk
        f.medFornecedor->SetFocus();
        QTest::keyClicks(f.medFornecedor, cpf[0]);
        f.medProdInic->SetFocus();
        EXPECT_EQ(f.medFornecedor->EditMask(), pictureCpf);
        EXPECT_EQ(f.medFornecedor->EditText(), dataset::formatMaskText(pictureCpf, cpf[0]));
        EXPECT_EQ(f.edtNmFornecedor->Text(), cpf[1]);

        f.medFornecedor->SetFocus();
        EXPECT_EQ(f.edtNmFornecedor->Text(), cpf[1]) << "entering changes no number";
        QTest::keyClicks(f.medFornecedor, cnpj[0].toLower()); // the mask puts it in upper case
        f.medProdInic->SetFocus();
        EXPECT_EQ(f.medFornecedor->Text(), cnpj[0]);
        EXPECT_EQ(f.edtNmFornecedor->Text(), cnpj[1]);
        f.sbtConfirma->Click();
    });
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
    EXPECT_FALSE(aberto);
    EXPECT_EQ(tela->cdsAmostraProc->recordCount(), cnpj[2].toInt());
}

// Esc closes the dialog as its close button does, and the list stays; after Undo the sample
// number takes digits again where the cursor is; F1 and the help button show the dialog's page.
TEST_F(FiltroTest, EscUndoAndHelpAsTheKeyboardMeetsThem) {
    filtra([&](TfrmFiltroAmostraProc& f) {
        ativa(f); // the keyboard is in the dialog, as for a clerk
        f.medInterInic->SetFocus();
        ASSERT_TRUE(f.medInterInic->hasFocus());
        QTest::keyClicks(f.medInterInic, QStringLiteral("2"));
        f.sbtDesfazer->Click();
        QTest::keyClicks(f.medInterInic, QStringLiteral("7"));
        EXPECT_EQ(f.medInterInic->Text(), QStringLiteral("7"));
        QTest::keyClick(f.medInterInic, Qt::Key_Escape);
    });
    EXPECT_FALSE(aberto) << "Esc closed it";
    EXPECT_EQ(numeros(tela->cdsAmostraProc), todas);

    QStringList paginas;
    filtra([&](TfrmFiltroAmostraProc& f) {
        const auto lePagina = [&](host::TForm& ajuda) {
            paginas << ajuda.Caption() + '\n' + dynamic_cast<host::TfrmAjuda&>(ajuda).PlainText();
        };
        script.OnModal(lePagina);
        QTest::keyClick(f.medProdInic, Qt::Key_F1);
        script.OnModal(lePagina);
        f.sbtAjuda->Click();
    });
    ASSERT_EQ(paginas.size(), 2) << script.LastMessage().toStdString();
    EXPECT_EQ(paginas[0], paginas[1]);
    EXPECT_TRUE(paginas[0].startsWith(
        QStringLiteral("Ajuda — Filtro de Amostras para Processamento (EST25200)")))
        << paginas[0].toStdString();
    EXPECT_TRUE(paginas[0].contains(QStringLiteral("Fornecedor")));
}

TEST_F(FiltroTest, AnUnknownSupplierSendsNothing) {
    filtra([](TfrmFiltroAmostraProc& f) {
        f.medFornecedor->SetText(QStringLiteral("11111111111"));
        f.sbtConfirma->Click();
    });
    EXPECT_TRUE(aberto);
    EXPECT_EQ(script.LastMessage(), QStringLiteral("Fornecedor não cadastrado."));
    EXPECT_EQ(focado, Cli_est25200::frmFiltroAmostraProc->medFornecedor);
    EXPECT_EQ(numeros(tela->cdsAmostraProc), todas);
}

TEST_F(FiltroTest, ProductRangeIsValidatedBeforeItsPresence) {
    const QStringList produto =
        linha(QStringLiteral("SELECT P.CDARVPROD, P.NMPRODUTO FROM AMOSTRAPROC A "
                             "JOIN PRODUTO P ON P.CDPRODUTO = A.CDPRODUTO ORDER BY P.CDARVPROD"));
    filtra([](TfrmFiltroAmostraProc& f) {
        f.medProdInic->SetText(QStringLiteral("999999"));
        f.sbtConfirma->Click();
    });
    EXPECT_EQ(script.LastMessage(), QStringLiteral("Produto não cadastrado."));
    EXPECT_EQ(focado, Cli_est25200::frmFiltroAmostraProc->medProdInic);

    filtra([&](TfrmFiltroAmostraProc& f) {
        f.medProdInic->SetText(produto[0]);
        f.sbtConfirma->Click();
    });
    EXPECT_EQ(script.LastMessage(), QStringLiteral("Produto deve ser informado."));
    EXPECT_EQ(focado, Cli_est25200::frmFiltroAmostraProc->medProdFim);
    EXPECT_EQ(Cli_est25200::frmFiltroAmostraProc->edtProdInic->Text(), produto[1]);

    // A whole family: its code extended with "z" reaches every product below it.
    const QString familia = produto[0].left(1);
    filtra([&](TfrmFiltroAmostraProc& f) {
        f.medProdInic->SetText(familia);
        f.medProdFim->SetText(familia);
        f.sbtConfirma->Click();
    });
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();
    const QStringList esperado =
        linha(QStringLiteral(
                  "SELECT COUNT(*) FROM AMOSTRAPROC A JOIN PRODUTO P ON P.CDPRODUTO = A.CDPRODUTO "
                  "WHERE P.CDARVPROD LIKE '%1%'")
                  .arg(familia));
    EXPECT_EQ(tela->cdsAmostraProc->recordCount(), esperado[0].toInt());
    EXPECT_GT(tela->cdsAmostraProc->recordCount(), 0);
}

TEST_F(FiltroTest, LookupFillsTheTaxIdThenTheName) {
    filtra([](TfrmFiltroAmostraProc& f) {
        bool continua = true;
        f.btnFornecedorBeforePesq(f.btnFornecedor, continua);
        dataset::ClientDataSet* lista = f.qryFornecedor->Query();
        ASSERT_FALSE(lista->isEmpty());
        lista->last();
        f.btnFornecedorAfterPesq(f.btnFornecedor);
        EXPECT_EQ(f.medFornecedor->Text(),
                  lista->fieldByName(QStringLiteral("NRINSJURFORN"))->asString());
        EXPECT_EQ(f.edtNmFornecedor->Text(),
                  lista->fieldByName(QStringLiteral("NMRAZSOCFORN"))->asString());
        // The list shows tax ids formatted by person type.
        const QString mostrado = lista->fieldByName(QStringLiteral("NRINSJURFORN"))->displayText();
        EXPECT_TRUE(mostrado.contains(QLatin1Char('-'))) << mostrado.toStdString();
        // Typing into the tax id clears the name until it is validated again.
        f.medFornecedor->SetText(f.medFornecedor->Text().left(5));
        EXPECT_TRUE(f.edtNmFornecedor->Text().isEmpty());
    });
}

TEST_F(FiltroTest, ReapplyingWhileHiddenReportsARefusalAndKeepsTheList) {
    // Criteria changed and left without confirming...
    filtra([](TfrmFiltroAmostraProc& f) {
        f.medInterInic->SetText(QStringLiteral("9"));
        f.medInterFinal->SetText(QStringLiteral("2"));
    });
    auto* f = Cli_est25200::frmFiltroAmostraProc;
    ASSERT_FALSE(f->isVisible());
    script.Clear();
    // ...then re-applied by the screen.
    EXPECT_THROW(f->sbtConfirma->Click(), host::EAbort);
    EXPECT_EQ(script.LastMessage(),
              QStringLiteral("Intervalo inicial deve ser menor ou igual ao intervalo final."));
    EXPECT_EQ(numeros(tela->cdsAmostraProc), todas);
    EXPECT_FALSE(f->isVisible());

    f->medInterInic->SetText(QStringLiteral("2"));
    f->medInterFinal->SetText(QStringLiteral("9"));
    f->sbtConfirma->Click();
    EXPECT_EQ(numeros(tela->cdsAmostraProc).size(), 8);
    EXPECT_FALSE(f->isVisible());
}

} // namespace
