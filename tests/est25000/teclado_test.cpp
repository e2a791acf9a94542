// The screen's keyboard conventions, typed as a user types them: the keys go through the
// host's message hook to the focused control.
#include "Ambiente.h"
#include "Gravacao.h"
#include "Tela.h"

#include <est25000/Cli_est25000.h>
#include <est25000/Cli_est25200.h>

#include <dataset/ClientDataSet.h>
#include <host/controls/Buttonflat.h>
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

// Filtrar and Visualizar Erros in the Operação menu: enabled with their buttons, a letter no
// other entry has, their keys shown and working; in the open menu Enter, the keypad's Enter
// and Space run the highlighted entry.
TEST_F(TecladoTest, EveryCommandOfTheMenuIsWithinReachOfTheKeyboard) {
    QSet<QChar> letras;
    for (QAction* a : tela->mnuOperacao->SubMenu()->actions()) {
        if (a->isSeparator())
            continue;
        const qsizetype e = a->text().indexOf(QLatin1Char('&'));
        ASSERT_GE(e, 0) << a->text().toStdString();
        EXPECT_FALSE(letras.contains(a->text().at(e + 1).toLower())) << a->text().toStdString();
        letras.insert(a->text().at(e + 1).toLower());
    }
    EXPECT_EQ(tela->mnuFiltrar->Action()->shortcut(), QKeySequence(Qt::Key_F3));
    EXPECT_EQ(tela->mnuVisualizaErros->Action()->shortcut(), QKeySequence(Qt::Key_F7));
    const auto comBotoes = [&] {
        return tela->mnuFiltrar->Enabled() == tela->sbtFiltro->isEnabled() &&
               tela->mnuVisualizaErros->Enabled() == tela->sbtVisualizaErros->isEnabled();
    };
    EXPECT_TRUE(comBotoes());
    tela->cdsAmostraProc->edit();
    EXPECT_FALSE(tela->mnuFiltrar->Enabled());
    tela->sbtVisualizaErros->SetEnabled(true);
    EXPECT_TRUE(comBotoes());
    tela->cdsAmostraProc->cancel();
    tela->sbtVisualizaErros->SetEnabled(false);
    EXPECT_TRUE(comBotoes());
    EXPECT_TRUE(tela->mnuFiltrar->Enabled());

    foca(tela->dbeDescAmostra);
    int filtros = 0;
    const auto filtra = [&] {
        script.OnModal([&](host::TForm& f) {
            ++filtros;
            confirma(dynamic_cast<Cli_est25200::TfrmFiltroAmostraProc&>(f));
        });
    };
    filtra();
    tecla(Qt::Key_F3);
    EXPECT_EQ(filtros, 1) << "F3 runs Filtrar";
    for (const auto& [chave, mods] :
         {std::pair{Qt::Key_Return, Qt::KeyboardModifiers{}},
          std::pair{Qt::Key_Enter, Qt::KeyboardModifiers{Qt::KeypadModifier}},
          std::pair{Qt::Key_Space, Qt::KeyboardModifiers{}}}) {
        filtra();
        ativa(*tela); // back from the filter dialog
        tecla(Qt::Key_O, Qt::AltModifier);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_EQ(menu, tela->mnuOperacao->SubMenu()) << "Alt+O opens Operação";
        menu->setActiveAction(tela->mnuFiltrar->Action());
        QTest::keyClick(menu->windowHandle(), chave, mods);
        QApplication::processEvents();
        EXPECT_EQ(filtros, chave == Qt::Key_Return  ? 2
                           : chave == Qt::Key_Enter ? 3
                                                    : 4)
            << "the highlighted entry runs";
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    }
}

// In the item grid Enter and Tab go only to the cells a typist fills (not Nome nor UN);
// Enter on Principal goes on to the next item's code, a new item after the last; F4 in the
// code cell of a new item opens the product search.
TEST_F(TecladoTest, EnterAndTabInTheItemGridGoFromCellToCellToTheNextItem) {
    tela->cdsAmostraProc->first();
    while (tela->cdsItemAmostra->recordCount() < 2 && !tela->cdsAmostraProc->eof())
        tela->cdsAmostraProc->next();
    ASSERT_GE(tela->cdsItemAmostra->recordCount(), 2);
    host::TDBGrid* grade = tela->dbgItensAmostra;
    const auto coluna = [&] { return grade->SelectedColumn()->FieldName(); };
    tela->cdsItemAmostra->first();
    foca(grade);
    grade->SetSelectedIndex(0);
    tecla(Qt::Key_Return);
    EXPECT_EQ(coluna(), "QTPRODGERADO");
    tecla(Qt::Key_Tab);
    EXPECT_EQ(coluna(), "IDPRODPRINC");
    tecla(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(coluna(), "QTPRODGERADO");
    tecla(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(coluna(), "IDPRODPRINC");
    tecla(Qt::Key_Return);
    EXPECT_EQ(tela->cdsItemAmostra->recNo(), 2) << "the next item";
    EXPECT_EQ(coluna(), "CDARVPROD");
    EXPECT_EQ(focado(), grade);

    tela->cdsItemAmostra->last();
    grade->SetSelectedIndex(4);
    const int antes = tela->cdsItemAmostra->rowCount();
    tecla(Qt::Key_Return);
    EXPECT_EQ(tela->cdsItemAmostra->state(), dataset::DataSetState::Insert) << "a new item";
    EXPECT_EQ(tela->cdsItemAmostra->rowCount(), antes + 1);
    EXPECT_EQ(tela->cdsItemAmostra->currentRow(), antes);
    EXPECT_EQ(coluna(), "CDARVPROD");
    EXPECT_EQ(focado(), grade);

    script.OnModal([](host::TForm& f) { f.SetModalResult(host::mrCancel); });
    tecla(Qt::Key_F4);
    EXPECT_EQ(script.ModalCaptions().value(1), "Produto") << "F4 searches the product";
    tela->cdsItemAmostra->cancel();
    tela->cdsAmostraProc->cancel();
}

// A whole invoice sample by keyboard as a clerk types it: New, the header, three items,
// Confirm; the keys beyond the typed text are counted (the menu's Alt+letter counts two).
TEST_F(TecladoTest, AWholeInvoiceSampleByKeyboardTakesNineteenKeysBeyondItsText) {
    const QSqlDatabase banco = dtmDBGeral::Database();
    const CasoNota nota = casoNota(banco, QStringLiteral("0001"));
    const int antes = conta(banco, QStringLiteral("SELECT COUNT(*) FROM AMOSTRAPROC"));
    int teclas = 0;
    const auto comando = [&](Qt::Key chave, Qt::KeyboardModifiers mods = {}) {
        ++teclas;
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget()))
            QTest::keyClick(menu->windowHandle(), chave, mods);
        else
            QTest::keyClick(QApplication::focusWidget(), chave, mods);
        QApplication::processEvents();
    };
    const auto digita = [](const QString& texto) {
        for (QChar c : texto) {
            QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
            QApplication::processEvents();
        }
    };
    const auto semPontos = [](QString codigo) { return codigo.remove(QLatin1Char('.')); };
    script.Clear();

    foca(tela->dbeDescAmostra);
    comando(Qt::Key_O, Qt::AltModifier);
    comando(Qt::Key_I);
    ASSERT_EQ(tela->cdsAmostraProc->state(), dataset::DataSetState::Insert);
    ASSERT_EQ(focado(), tela->dbeDescAmostra);
    digita(QStringLiteral("Rendimento pelo teclado"));
    comando(Qt::Key_Return);
    digita(nota.nrInscricao);
    comando(Qt::Key_Return);
    ASSERT_EQ(focado(), tela->dbeCdSerie) << script.LastMessage().toStdString();
    digita(nota.cdSerie);
    comando(Qt::Key_Return);
    digita(nota.nrNota);
    comando(Qt::Key_Return);
    ASSERT_EQ(focado(), tela->dbeCdProduto) << script.LastMessage().toStdString();
    digita(semPontos(nota.inNatura.cdArvProd));
    comando(Qt::Key_Return);
    digita(QStringLiteral("3"));
    comando(Qt::Key_Return);
    ASSERT_EQ(focado(), tela->dbgItensAmostra) << script.LastMessage().toStdString();
    for (int i = 0; i < 3; ++i) {
        digita(semPontos(nota.itens[i].cdArvProd));
        comando(Qt::Key_Return);
        ASSERT_EQ(tela->dbgItensAmostra->SelectedColumn()->FieldName(), "QTPRODGERADO")
            << script.LastMessage().toStdString();
        digita(QStringLiteral("1"));
        comando(Qt::Key_Return);
        ASSERT_EQ(tela->dbgItensAmostra->SelectedColumn()->FieldName(), "IDPRODPRINC");
        if (i == 0)
            comando(Qt::Key_Space); // the principal item
        if (i < 2)
            comando(Qt::Key_Return);
    }
    comando(Qt::Key_O, Qt::AltModifier);
    comando(Qt::Key_O); // C&onfirmar
    ASSERT_TRUE(script.Messages().isEmpty()) << script.LastMessage().toStdString();

    const QString nr =
        valor(banco, QStringLiteral("SELECT MAX(NRAMOSTRA) FROM AMOSTRAPROC")).toString();
    EXPECT_EQ(conta(banco, QStringLiteral("SELECT COUNT(*) FROM AMOSTRAPROC")), antes + 1);
    EXPECT_EQ(campoNoBanco(banco, "NRLANCTONF", nr), nota.nrLancto);
    EXPECT_EQ(campoNoBanco(banco, "DSAMOSTRA", nr), QStringLiteral("Rendimento pelo teclado"));
    const auto itens = itensNoBanco(banco, nr);
    ASSERT_EQ(itens.size(), 3);
    for (const auto& item : itens)
        EXPECT_DOUBLE_EQ(item.second, 1.0);
    EXPECT_EQ(conta(banco,
                    QStringLiteral("SELECT COUNT(*) FROM ITEMAMOSTRAPROC WHERE NRAMOSTRA = ? AND "
                                   "IDPRODPRINC = 'S' AND CDPRODUTO = ?"),
                    {nr, nota.itens[0].cdProduto}),
              1);
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

} // namespace

namespace {

// Esc on the first filter lists nothing and disables every page: the keyboard stays on the
// screen, where F3 (Filtrar) asks again.
TEST(TecladoSemAmostras, EscOnTheFirstFilterLeavesTheFocusWhereF3FiltersAgain) {
    host::DialogScript script;
    Cli_est25000::TfrmAmostraProc& tela =
        abreTela(script, [](Cli_est25200::TfrmFiltroAmostraProc& f) {
            QTest::keyClick(f.medInterInic, Qt::Key_Escape);
        });
    ASSERT_TRUE(tela.cdsAmostraProc->isEmpty());
    ASSERT_FALSE(tela.tshFolhaDados->Enabled());
    QWidget* foco = QApplication::focusWidget();
    ASSERT_NE(foco, nullptr);
    EXPECT_TRUE(tela.isAncestorOf(foco));
    script.OnModal(
        [](host::TForm& f) { confirma(dynamic_cast<Cli_est25200::TfrmFiltroAmostraProc&>(f)); });
    QTest::keyClick(foco, Qt::Key_F3);
    QApplication::processEvents();
    EXPECT_EQ(script.ModalCaptions().size(), 2);
    EXPECT_FALSE(tela.cdsAmostraProc->isEmpty());
    fechaTela();
}

} // namespace
