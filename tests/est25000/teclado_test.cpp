// The screen's keyboard conventions, typed as a user types them: the keys go through the
// host's message hook to the focused control.
#include "Ambiente.h"
#include "Gravacao.h"
#include "Tela.h"

#include <est25000/Cli_est25000.h>

#include <dataset/ClientDataSet.h>
#include <host/controls/ComCtrls.h>
#include <host/controls/Menus.h>
#include <host/core/VirtualKeys.h>
#include <host/database/DbGeral.h>
#include <host/dbcontrols/DBControls.h>
#include <host/dbcontrols/DBGrid.h>
#include <host/forms/Application.h>
#include <host/library/Quorvan.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSet>
#include <QTest>

#include <gtest/gtest.h>

using namespace est25000::teste;
using DialogoFiltro = Cli_est25200::TfrmFiltroAmostraProc;

namespace {

// The screen, counting its page-change handling.
class TelaContada : public Cli_est25000::TfrmAmostraProc {
public:
    int mudancas = 0;
    void pgcPadraoChange(QObject* Sender) override {
        ++mudancas;
        TfrmAmostraProc::pgcPadraoChange(Sender);
    }
};

class TecladoTest : public ::testing::Test {
protected:
    void SetUp() override {
        Ambiente::instancia();
        Ambiente::separadores(QLatin1Char(','), QLatin1Char('.'));
        Quorvan::InstallMessageHook();
        script.OnModal([](host::TForm& f) {
            confirma(dynamic_cast<Cli_est25200::TfrmFiltroAmostraProc&>(f));
        });
        TelaContada* criada = nullptr;
        host::Application->CreateForm(criada);
        tela = criada;
        Cli_est25000::frmAmostraProc = criada;
        Cli_est25000::boIdCriado = true;
        Cli_est25000::CriaAmostraProc();
        ativa(*tela);
        ASSERT_GE(tela->cdsAmostraProc->recordCount(), 2);
    }
    void TearDown() override {
        Ambiente::separadores(QLatin1Char(','), QLatin1Char('.'));
        fechaTela();
    }

    void foca(host::TControl* control) {
        control->SetFocus();
        QApplication::processEvents();
        ASSERT_EQ(focado(), control);
    }
    void tecla(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget* alvo = QApplication::focusWidget();
        ASSERT_NE(alvo, nullptr);
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget()))
            QTest::keyClick(menu->windowHandle(), key, mods); // an open menu takes the keys
        else
            QTest::keyClick(alvo, key, mods);
        QApplication::processEvents();
    }
    host::TControl* focado() const { return host::TControl::Of(tela->ActiveControl()); }

    host::DialogScript script;
    TelaContada* tela = nullptr;
};

TEST_F(TecladoTest, EnterAndDownActAsTabUpGoesBackCtrlEnterStays) {
    foca(tela->dbeDescAmostra);
    tecla(Qt::Key_Return);
    EXPECT_EQ(focado(), tela->dbeNrInscForn);
    tecla(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(focado(), tela->dbeNrInscForn) << "Ctrl+Enter does not move";
    tecla(Qt::Key_Down);
    EXPECT_EQ(focado(), tela->dbeCdSerie) << "the display-only name is skipped";
    tecla(Qt::Key_Up);
    EXPECT_EQ(focado(), tela->dbeNrInscForn);
    tecla(Qt::Key_Enter); // the keypad's Enter
    EXPECT_EQ(focado(), tela->dbeCdSerie);
}

// Operação: a letter per entry; Filtrar by F3 and, in the open menu, Enter, keypad Enter, Space.
TEST_F(TecladoTest, EveryCommandIsWithinReachOfTheKeyboard) {
    QSet<QString> letras; // the separators have none
    for (QAction* a : tela->mnuOperacao->SubMenu()->actions())
        letras << a->text().section(QLatin1Char('&'), 1).left(1).toLower();
    EXPECT_EQ(letras.size(), 13) << "12 entries, 12 letters";
    tela->cdsAmostraProc->edit();
    EXPECT_FALSE(tela->mnuFiltrar->Enabled()) << "as its button";
    tela->cdsAmostraProc->cancel();
    for (const Qt::Key chave : {Qt::Key_F3, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        script.OnModal([](host::TForm& f) { f.SetModalResult(host::mrCancel); });
        ativa(*tela);
        if (chave != Qt::Key_F3) {
            tecla(Qt::Key_O, Qt::AltModifier);
            tela->mnuOperacao->SubMenu()->setActiveAction(tela->mnuFiltrar->Action());
        }
        tecla(chave, chave == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    }
    EXPECT_EQ(script.ModalCaptions().size(), 5) << "the first filter and four more";
}

// A whole invoice sample by keyboard: the keys beyond its text, Alt+letter as two.
TEST_F(TecladoTest, AWholeInvoiceSampleByKeyboardTakesNineteenKeysBeyondItsText) {
    const CasoNota nota = casoNota(dtmDBGeral::Database(), QStringLiteral("0001"));
    int teclas = 0;
    const auto comando = [&](Qt::Key chave, Qt::KeyboardModifiers mods = {}) {
        ++teclas;
        tecla(chave, mods);
    };
    const auto digita = [&](QString texto) {
        for (QChar c : texto.remove(QLatin1Char('.')))
            tecla(Qt::Key(c.toUpper().unicode()));
        comando(Qt::Key_Return);
    };
    foca(tela->dbeDescAmostra);
    comando(Qt::Key_O, Qt::AltModifier);
    comando(Qt::Key_I);
    for (const QString& campo : {QStringLiteral("AMOSTRA"), nota.nrInscricao, nota.cdSerie,
                                 nota.nrNota, nota.inNatura.cdArvProd, QStringLiteral("3")})
        digita(campo);
    for (int i = 0; i < 3; ++i) {
        digita(nota.itens[i].cdArvProd);
        digita(QStringLiteral("1")); // to Principal, over the unit
        if (i == 0)
            comando(Qt::Key_Space); // the principal item
        if (i < 2)
            comando(Qt::Key_Return); // a new item, at its code
    }
    comando(Qt::Key_O, Qt::AltModifier);
    comando(Qt::Key_O); // C&onfirmar
    const QString nr = tela->cdsAmostraProc->fieldByName(QStringLiteral("NRAMOSTRA"))->asString();
    EXPECT_EQ(itensNoBanco(dtmDBGeral::Database(), nr).size(), 3)
        << script.LastMessage().toStdString();
    EXPECT_EQ(campoNoBanco(dtmDBGeral::Database(), "NRLANCTONF", nr), nota.nrLancto);
    EXPECT_EQ(teclas, 19);
}

TEST_F(TecladoTest, UpAndDownMoveBetweenRowsInTheItemGrid) {
    tela->cdsAmostraProc->first();
    while (tela->cdsItemAmostra->recordCount() < 2 && !tela->cdsAmostraProc->eof())
        tela->cdsAmostraProc->next();
    ASSERT_GE(tela->cdsItemAmostra->recordCount(), 2);
    tela->cdsItemAmostra->first();
    foca(tela->dbgItensAmostra);
    tecla(Qt::Key_Down);
    EXPECT_EQ(tela->cdsItemAmostra->recNo(), 2);
    EXPECT_EQ(focado(), tela->dbgItensAmostra);
    tecla(Qt::Key_Up);
    EXPECT_EQ(tela->cdsItemAmostra->recNo(), 1);
    EXPECT_EQ(focado(), tela->dbgItensAmostra);
}

TEST_F(TecladoTest, PageDownJumpsToTheNextContainerOrToTheFormPage) {
    foca(tela->dbeQuantProd);
    tecla(Qt::Key_PageDown);
    EXPECT_EQ(focado(), tela->dbgItensAmostra) << "the last header field reaches the items";

    tecla(Qt::Key_PageDown);
    EXPECT_EQ(focado(), tela->dbgItensAmostra) << "nothing happens in the item grid";
    EXPECT_EQ(tela->pgcPadrao->ActivePage(), tela->tshFormulario);

    foca(tela->dbeDescAmostra);
    tecla(Qt::Key_PageDown);
    EXPECT_EQ(focado(), tela->dbgItensAmostra) << "through the header, into the items";

    tela->pgcPadrao->SetActivePage(tela->tshFolhaDados);
    foca(tela->dbgPadrao);
    tela->mudancas = 0;
    tecla(Qt::Key_PageDown);
    EXPECT_EQ(tela->pgcPadrao->ActivePage(), tela->tshFormulario);
    EXPECT_EQ(tela->mudancas, 1) << "the page-change handling runs once";
}

TEST_F(TecladoTest, PageUpInTheHeaderShowsTheListOnlyWhenItIsEnabled) {
    foca(tela->dbeCdProduto);
    tela->mudancas = 0;
    tecla(Qt::Key_PageUp);
    EXPECT_EQ(tela->pgcPadrao->ActivePage(), tela->tshFolhaDados);
    EXPECT_EQ(focado(), tela->dbgPadrao);
    EXPECT_EQ(tela->mudancas, 1);

    tecla(Qt::Key_PageUp);
    EXPECT_EQ(tela->pgcPadrao->ActivePage(), tela->tshFolhaDados) << "nothing in the list grid";

    tela->pgcPadrao->SetActivePage(tela->tshFormulario);
    tela->tshFolhaDados->SetEnabled(false);
    foca(tela->dbeCdProduto);
    tecla(Qt::Key_PageUp);
    EXPECT_EQ(tela->pgcPadrao->ActivePage(), tela->tshFormulario);
    EXPECT_EQ(focado(), tela->dbeCdProduto);

    foca(tela->dbgItensAmostra);
    tecla(Qt::Key_PageUp);
    EXPECT_EQ(focado(), tela->dbeQuantProd) << "back to the nearest control of the header";
}

TEST_F(TecladoTest, WithTheDecimalCommaThePointKeysTypeACommaInQuantities) {
    tela->cdsAmostraProc->edit();
    foca(tela->dbeQuantProd);
    tela->dbeQuantProd->selectAll();
    tecla(Qt::Key_1);
    tecla(Qt::Key_Period);
    tecla(Qt::Key_5);
    EXPECT_EQ(tela->dbeQuantProd->text(), QStringLiteral("1,5"));
    tecla(Qt::Key_Backspace);
    tecla(Qt::Key_Backspace);
    tecla(Qt::Key_Period, Qt::KeypadModifier);
    EXPECT_EQ(tela->dbeQuantProd->text(), QStringLiteral("1,"));

    foca(tela->dbeDescAmostra);
    tela->dbeDescAmostra->end(false);
    tecla(Qt::Key_Period);
    EXPECT_TRUE(tela->dbeDescAmostra->text().endsWith(QLatin1Char('.'))) << "text keeps its point";
    tela->cdsAmostraProc->cancel();
}

TEST_F(TecladoTest, WithTheDecimalPointNothingIsChanged) {
    Ambiente::separadores(QLatin1Char('.'), QLatin1Char(','));
    tela->cdsAmostraProc->edit();
    foca(tela->dbeQuantProd);
    tela->dbeQuantProd->selectAll();
    tecla(Qt::Key_2);
    tecla(Qt::Key_Period);
    EXPECT_EQ(tela->dbeQuantProd->text(), QStringLiteral("2."));
    tela->cdsAmostraProc->cancel();
}

// In the item grid the rewrite follows the selected column's field. (The key message is handed
// to the hook directly: typing into a cell needs the grid's cell editor.)
TEST_F(TecladoTest, InTheItemGridOnlyTheQuantityColumnTurnsThePointIntoAComma) {
    foca(tela->dbgItensAmostra);
    const auto mensagem = [&](int tecla) {
        Quorvan::tagMSG msg;
        msg.hwnd = tela->dbgItensAmostra;
        msg.message = Quorvan::WM_KEYDOWN;
        msg.wParam = tecla;
        bool tratado = false;
        tela->OnMessage(msg, tratado);
        EXPECT_FALSE(tratado);
        return msg.wParam;
    };
    tela->dbgItensAmostra->SetSelectedIndex(2);
    ASSERT_EQ(tela->dbgItensAmostra->SelectedField()->fieldName(), QStringLiteral("QTPRODGERADO"));
    EXPECT_EQ(mensagem(host::VK_OEM_PERIOD), host::VK_OEM_COMMA);
    EXPECT_EQ(mensagem(host::VK_DECIMAL), host::VK_OEM_COMMA);
    tela->dbgItensAmostra->SetSelectedIndex(1);
    EXPECT_EQ(mensagem(host::VK_OEM_PERIOD), host::VK_OEM_PERIOD) << "the name column";
    tela->dbgItensAmostra->SetSelectedIndex(2);
    Ambiente::separadores(QLatin1Char('.'), QLatin1Char(','));
    EXPECT_EQ(mensagem(host::VK_OEM_PERIOD), host::VK_OEM_PERIOD);
}

// Esc on the first filter lists nothing: the focus stays in the screen, where F3 filters again.
TEST(TecladoSemAmostras, EscOnTheFirstFilterLeavesTheFocusWhereF3FiltersAgain) {
    host::DialogScript script;
    Cli_est25000::TfrmAmostraProc& tela =
        abreTela(script, [](auto& f) { QTest::keyClick(f.medInterInic, Qt::Key_Escape); });
    ASSERT_TRUE(tela.isAncestorOf(QApplication::focusWidget()));
    script.OnModal([](host::TForm& f) { confirma(dynamic_cast<DialogoFiltro&>(f)); });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
    EXPECT_FALSE(tela.cdsAmostraProc->isEmpty());
    fechaTela();
}

} // namespace
