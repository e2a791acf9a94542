// The host framework the module stands on: lookup button, search windows, page control,
// progress window, message tables, error report, form creation, base forms, screen.
#include <host/baseforms/Frmpadr.h>
#include <host/baseforms/Frmrotgeral.h>
#include <host/controls/Showavi.h>
#include <host/controls/StdControls.h>
#include <host/core/EventBoundary.h>
#include <host/core/Exceptions.h>
#include <host/core/LongWait.h>
#include <host/forms/Application.h>
#include <host/forms/Dialogs.h>
#include <host/forms/PackageLoader.h>
#include <host/forms/Screen.h>
#include <host/library/MensErro.h>
#include <host/library/Qvn_msg.h>
#include <host/search/Btnpesquisa.h>
#include <host/search/Pesquisa.h>
#include <host/search/Procurar.h>
#include <host/search/SearchWindow.h>

#include <dataset/ClientDataSet.h>

#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QSet>
#include <QTest>
#include <QWindow>

#include <functional>

#include <gtest/gtest.h>

using namespace host;
using dataset::DataSetState;
using dataset::FieldType;

namespace {

// Products as the lookups list them: tree code, internal code (hidden), name, level.
dataset::ClientDataSet* products(QObject* owner) {
    auto* cds = new dataset::ClientDataSet(owner);
    cds->addField("CDARVPROD", FieldType::String, 20)->setDisplayLabel("Código");
    cds->addField("CDPRODUTO", FieldType::String, 10)->setVisible(false);
    cds->addField("NMPRODUTO", FieldType::String, 50)->setDisplayLabel("Nome");
    cds->addField("CDNVPRODUTO", FieldType::String, 1)->setVisible(false);
    cds->createDataSet();
    const char* rows[][4] = {{"1", "P1", "Grãos", "1"},
                             {"101", "P101", "Milho", "2"},
                             {"101001", "P101001", "Milho em grão", "3"},
                             {"102", "P102", "Soja", "2"},
                             {"102001", "P102001", "Óleo de soja", "3"}};
    for (auto& r : rows) {
        cds->append();
        for (int i = 0; i < 4; ++i)
            cds->field(i)->setAsString(r[i]);
        cds->post();
    }
    cds->first();
    return cds;
}

class LookupTest : public ::testing::Test {
protected:
    void SetUp() override {
        cds = products(&form);
        dts = new dataset::DataSource(cds, &form);
        button = new TBtnPesquisa(&form, "btpProduto");
        button->Title = "Produto";
        button->DataSource = dts;
        button->EmptyError = "Não há produto cadastrado.";
        button->OnAfterPesq = [this](QObject*) {
            picked << cds->fieldByName("CDPRODUTO")->asString();
        };
    }
    TForm form;
    DialogScript dialogs;
    dataset::ClientDataSet* cds = nullptr;
    dataset::DataSource* dts = nullptr;
    TBtnPesquisa* button = nullptr;
    QStringList picked;
};

TEST_F(LookupTest, BeforeHandlerThatRaisesOpensNothing) {
    button->OnBeforePesq = [](QObject*, bool&) { throw EHostError("Servidor indisponível."); };
    EXPECT_THROW(button->Execute(), EHostError);
    button->click(); // a press by the user: the error is shown, nothing else happens
    EXPECT_TRUE(dialogs.ModalCaptions().isEmpty());
    EXPECT_TRUE(picked.isEmpty());
    EXPECT_EQ(dialogs.LastMessage(), "Servidor indisponível.");
}

TEST_F(LookupTest, PickPositionsTheDataSetThenRunsTheAfterHandler) {
    QStringList titles;
    dialogs.OnModal([&](TForm& f) {
        auto& window = dynamic_cast<TfrmSearchWindow&>(f);
        titles = window.Titles();
        window.SetSearchColumn(0); // the code column, chosen by a click on its title
        EXPECT_FALSE(window.Search("óleo"));
        EXPECT_EQ(window.SelectedRow(), -1) << "nothing for Enter to pick";
        window.SetSearchColumn(1);
        EXPECT_TRUE(window.Search("óleo"));
        window.Pick();
    });
    EXPECT_TRUE(button->Execute());
    EXPECT_EQ(titles, QStringList({"Código", "Nome"})); // visible fields, by display label
    EXPECT_EQ(picked, QStringList({"P102001"}));
    EXPECT_EQ(cds->recNo(), 5);
    EXPECT_EQ(dialogs.ModalCaptions(), QStringList({"Produto"}));
}

// The clerk types into the supplier search and presses Enter: letters find a name (the start
// of it or a part of it), digits a tax id whatever its punctuation, an alphanumeric CNPJ too;
// text that matches nothing picks nothing.
TEST(SupplierSearch, TypedLettersFindANameAndDigitsATaxId) {
    TForm form;
    DialogScript dialogs;
    auto* cds = new dataset::ClientDataSet(&form);
    cds->addField("CDFORNECED", FieldType::String, 21)->setVisible(false);
    cds->addField("NRINSJURFORN", FieldType::String, 20)->setDisplayLabel("Inscrição");
    cds->addField("NMRAZSOCFORN", FieldType::String, 40)->setDisplayLabel("Razão Social");
    cds->createDataSet();
    const char* rows[][3] = {{"1", "11222333000181", "Agropecuária Vale Verde"},
                             {"2", "12ABC345000163", "Armazéns Gerais Norte"},
                             {"3", "45678912000110", "Cooperativa Agrícola Sul"}};
    for (auto& r : rows) {
        cds->append();
        for (int i = 0; i < 3; ++i)
            cds->field(i)->setAsString(r[i]);
        cds->post();
    }
    cds->fieldByName("NRINSJURFORN")->onGetText = [](dataset::Field& f, QString& text, bool) {
        const QString n = f.value().toString();
        text =
            n.left(2) + '.' + n.mid(2, 3) + '.' + n.mid(5, 3) + '/' + n.mid(8, 4) + '-' + n.mid(12);
    };
    cds->first();
    const auto pick = [&](const QString& typed) {
        dialogs.OnModal([typed](TForm& f) {
            auto* edit = f.findChild<QLineEdit*>("edtPesquisa");
            ASSERT_NE(edit, nullptr);
            QTest::keyClicks(edit, typed);
            QTest::keyClick(edit, Qt::Key_Return);
        });
        cds->first();
        return RunSearchWindow(cds, "Fornecedor") ? cds->fieldByName("CDFORNECED")->asString()
                                                  : QStringLiteral("nenhum");
    };
    EXPECT_EQ(pick("coop"), "3");
    EXPECT_EQ(pick("Sul"), "3") << "a part of the name";
    EXPECT_EQ(pick("4567"), "3");
    EXPECT_EQ(pick("11.222"), "1");
    EXPECT_EQ(pick("12abc"), "2") << "alphanumeric CNPJ";
    EXPECT_EQ(pick("Xingu"), "nenhum") << "not the first row";
}

TEST_F(LookupTest, CancelledSearchRunsNoAfterHandlerAndLeavesTheDataSet) {
    cds->moveBy(2);
    EXPECT_FALSE(button->Execute()); // no action queued: the window is closed, cancelled
    EXPECT_TRUE(picked.isEmpty());
    EXPECT_EQ(cds->recNo(), 3);
}

TEST_F(LookupTest, EmptyListReportsTheErrorInsteadOfAWindow) {
    cds->emptyDataSet();
    EXPECT_THROW(button->Execute(), EAbort);
    EXPECT_EQ(dialogs.LastMessage(), "Não há produto cadastrado.");
    EXPECT_TRUE(dialogs.ModalCaptions().isEmpty());
}

TEST_F(LookupTest, TreeSearchListsRowsUnderTheirLevels) {
    button->PesqType = TPesqType::ptArvore;
    button->FieldNivel = "CDNVPRODUTO";
    button->FieldCodigo = "CDPRODUTO";
    button->FieldNome = "NMPRODUTO";
    dialogs.OnModal([](TForm& f) {
        auto& window = dynamic_cast<TfrmSearchWindow&>(f);
        window.Search("Milho em");
        window.Pick();
    });
    EXPECT_TRUE(button->Execute());
    EXPECT_EQ(picked, QStringList({"P101001"}));
    EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
}

TEST_F(LookupTest, SearchWindowsOverADataSourceAndADataSet) {
    dialogs.OnModal([](TForm& f) {
        dynamic_cast<TfrmSearchWindow&>(f).SelectRow(3);
        dynamic_cast<TfrmSearchWindow&>(f).Pick();
    });
    EXPECT_TRUE(
        Pesquisa::Pesquisar_Plus(dts, "Produto|Não há produto cadastrado.|nível 3", false, true));
    EXPECT_EQ(cds->fieldByName("NMPRODUTO")->asString(), "Soja");
    EXPECT_FALSE(Pesquisa::Pesquisar_Plus(dts, "Produto|Não há produto.", false, true));
    EXPECT_EQ(cds->fieldByName("NMPRODUTO")->asString(), "Soja");
    Procurar::Procura(cds); // cancelled: stays
    EXPECT_EQ(cds->recNo(), 4);
    cds->emptyDataSet();
    EXPECT_FALSE(Pesquisa::Pesquisar_Plus(dts, "Produto|Não há produto cadastrado.|", false, true));
    EXPECT_EQ(dialogs.LastMessage(), "Não há produto cadastrado.");
}

TEST(PageControl, SetActivePageRaisesNoChangeEventButAUserSwitchDoes) {
    TForm form;
    auto* pgc = new TPageControl(&form);
    auto* list = new TTabSheet(pgc, "Lista");
    auto* page = new TTabSheet(pgc, "Formulário");
    int changes = 0;
    pgc->OnChange = [&](QObject*) { ++changes; };
    pgc->SetActivePage(page);
    pgc->SetActivePage(page);
    EXPECT_EQ(pgc->ActivePage(), page);
    EXPECT_EQ(changes, 0);
    pgc->setCurrentIndex(0); // what a click on the tab does
    EXPECT_EQ(changes, 1);
    // A disabled page stays shown; it cannot be picked.
    page->SetEnabled(false);
    list->SetEnabled(false);
    EXPECT_EQ(pgc->ActivePage(), list);
    EXPECT_FALSE(pgc->isTabEnabled(1));
    EXPECT_EQ(changes, 1);
}

// Nothing shows before a wait lasts; then the window is on screen, with the wait cursor, before
// the wait goes on, and it shows once however long the wait.
TEST(ShowAvi, IsOnScreenWithTheWaitCursorOnceTheWaitLastsUntilDeactivatedTwiceHarmlessly) {
    TForm form;
    form.show();
    Showavi::ActiveShowAvi(&form, Showavi::aviCopiaArquivo, "Atualizando amostra...");
    EXPECT_EQ(Showavi::ShowAviText(), "Atualizando amostra...");
    EXPECT_EQ(Showavi::ShownWindow(), nullptr) << "a quick call shows nothing";
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    host::LongWait::Passed(); // what the connection does once its wait has lasted
    QWidget* janela = Showavi::ShownWindow();
    ASSERT_NE(janela, nullptr);
    EXPECT_EQ(janela, form.findChild<QWidget*>("frmShowAvi"));
    ASSERT_NE(janela->windowHandle(), nullptr);
    EXPECT_TRUE(janela->windowHandle()->isExposed());
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_FALSE(host::LongWait::Armed()) << "shown once";
    Showavi::DeactiveShowAvi();
    EXPECT_TRUE(Showavi::ShowAviText().isEmpty());
    EXPECT_EQ(Showavi::ShownWindow(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    Showavi::DeactiveShowAvi();
    EXPECT_TRUE(Showavi::ShowAviText().isEmpty());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    // Deactivated before any wait lasted: a later one shows nothing.
    Showavi::ActiveShowAvi(&form, Showavi::aviCopiaArquivo, "Outra");
    Showavi::DeactiveShowAvi();
    host::LongWait::Passed();
    EXPECT_EQ(Showavi::ShownWindow(), nullptr);
}

// Before a server call the event loop paints what changed; a call that lasts repaints the
// whole form at once.
TEST(ShowAvi, ARepaintBeforeAWaitPaintsOnlyIfTheWaitLasts) {
    struct Contada : TForm {
        int pinturas = 0;
        void paintEvent(QPaintEvent* e) override {
            ++pinturas;
            TForm::paintEvent(e);
        }
    } form;
    form.show();
    QCoreApplication::processEvents();
    const int antes = form.pinturas;
    form.RepaintBeforeWait();
    EXPECT_EQ(form.pinturas, antes) << "not at once";
    host::LongWait::Passed(); // a call that lasted
    EXPECT_EQ(form.pinturas, antes + 1);
    TLabel rotulo(&form);
    rotulo.show();
    QCoreApplication::processEvents();
    const int comRotulo = form.pinturas;
    rotulo.SetCaption(QStringLiteral("Outro texto"));
    form.RepaintBeforeWait();
    QCoreApplication::processEvents(); // the event loop painted what changed
    const int pintada = form.pinturas;
    EXPECT_GT(pintada, comRotulo);
    host::LongWait::Passed();
    EXPECT_EQ(form.pinturas, pintada) << "nothing left for a later wait";
}

TEST(Messages, KeyEndsAtTheFirstBarAndShowMsgReturnsTheButton) {
    DialogScript dialogs;
    TMessages msg(nullptr);
    msg.Strings = {"Produto|Produto|Não há produto cadastrado.", "Cancel|Cancelar operação?",
                   "Quant_Maior|Quantidade não pode ser maior que a quantidade informada na "
                   "nota :  %s ."};
    EXPECT_EQ(msg.Msg("Produto"), "Produto|Não há produto cadastrado.");
    EXPECT_EQ(msg.Msg("Quant_Maior").replace("%s", "1,000"),
              "Quantidade não pode ser maior que a quantidade informada na nota :  1,000 .");
    EXPECT_TRUE(msg.Msg("produto").isEmpty());
    dialogs.Answer(mrNo);
    EXPECT_EQ(msg.ShowMsg("Cancel", TMsgDlgType::mtConfirmation, mbYesNo, 0), mrNo);
    dialogs.Answer(mrYes);
    EXPECT_EQ(msg.ShowMsg("Cancel", TMsgDlgType::mtConfirmation, mbYesNo, 0), mrYes);
    ASSERT_EQ(dialogs.Messages().size(), 2);
    EXPECT_EQ(dialogs.Messages()[0].text, "Cancelar operação?");
    EXPECT_EQ(dialogs.Messages()[0].buttons, mbYesNo);
}

TEST(MensErro, ShowsTheErrorAndAbortsSilently) {
    DialogScript dialogs;
    EXPECT_THROW(Consiste::MensErro("Produto não cadastrado.", true), EAbort);
    ASSERT_EQ(dialogs.Messages().size(), 1);
    EXPECT_EQ(dialogs.Messages()[0].type, TMsgDlgType::mtError);
    // At an event boundary the abort shows nothing more.
    Guard([] { Consiste::MensErro("Série NF deve ser informada."); });
    EXPECT_EQ(dialogs.Messages().size(), 2);
    Guard([] { throw std::runtime_error("disco cheio"); });
    EXPECT_EQ(dialogs.LastMessage(), "disco cheio");
}

struct FailingForm : TForm {
    static inline int created = 0;
    FailingForm() { ++created; }
    void FormCreate(QObject*) override { throw EHostError("sem conexão"); }
};

struct ProbeForm : TfrmPadrao {
    static inline ProbeForm* seenInCreate = nullptr;
    void FormCreate(QObject* sender) override;
};
ProbeForm* frmProbe = nullptr;
void ProbeForm::FormCreate(QObject* sender) {
    TfrmPadrao::FormCreate(sender);
    seenInCreate = frmProbe; // the reference is set before the creation handler runs
}

TEST(Application, CreateFormSetsTheReferenceAndAFailedCreationLeavesNone) {
    Application->CreateForm(frmProbe);
    ASSERT_NE(frmProbe, nullptr);
    EXPECT_EQ(ProbeForm::seenInCreate, frmProbe);
    EXPECT_TRUE(Application->Forms().contains(frmProbe));
    delete frmProbe;

    FailingForm* failing = reinterpret_cast<FailingForm*>(0x1);
    EXPECT_THROW(Application->CreateForm(failing), EHostError);
    EXPECT_EQ(failing, nullptr);
    EXPECT_EQ(FailingForm::created, 1);
}

TEST(BasePadrao, CommandsFollowTheStateOfTheMasterDataSource) {
    DialogScript dialogs;
    TfrmPadrao form;
    auto* cds = new dataset::ClientDataSet(&form);
    cds->addField("NRAMOSTRA", FieldType::String, 10);
    form.dtsPadrao->setDataSet(cds);
    form.FormCreate(&form);
    EXPECT_TRUE(form.sbtIncluir->isEnabled());
    EXPECT_FALSE(form.sbtAlterar->isEnabled());
    EXPECT_FALSE(form.sbtConfirmar->isEnabled());

    form.sbtIncluir->Click(); // opens the empty dataset and inserts
    EXPECT_EQ(cds->state(), DataSetState::Insert);
    EXPECT_FALSE(form.sbtIncluir->isEnabled());
    EXPECT_TRUE(form.sbtConfirmar->isEnabled());
    EXPECT_TRUE(form.mnuCancelar->Enabled());
    EXPECT_FALSE(form.mnuAlterar->Enabled());
    cds->fieldByName("NRAMOSTRA")->setAsString("0000000001");
    form.sbtConfirmar->Click();
    EXPECT_EQ(cds->state(), DataSetState::Browse);
    EXPECT_TRUE(form.sbtAlterar->isEnabled());
    EXPECT_TRUE(form.mnuExcluir->Enabled());
    EXPECT_FALSE(form.sbtCancelar->isEnabled());
    form.sbtAlterarClick(form.sbtAlterar);
    EXPECT_EQ(cds->state(), DataSetState::Edit);
    form.sbtCancelar->Click();
    dialogs.Answer(mrYes);
    form.sbtExcluir->Click();
    EXPECT_TRUE(cds->isEmpty());
    EXPECT_FALSE(form.sbtAlterar->isEnabled());

    // Every component the screens name is there, under its name.
    for (const char* name :
         {"lblCodTela",          "panMenu",    "sbtAjuda",           "sbtImprimir",
          "sbtFechar",           "pgcPadrao",  "tshFolhaDados",      "panDbgPadrao",
          "scbFolhaDados",       "dbgPadrao",  "tshFormulario",      "panFormulario",
          "scbFormulario",       "dtsPadrao",  "panNavigator",       "dbtNome",
          "dbnPadrao",           "mnuMenu",    "mnuOperacao",        "mnuListagem",
          "mnuConfigImpressora", "pmnNavegar", "Proximo1",           "prdImprimir",
          "psdConfigurar",       "msgPadrao",  "msgMensagensPadroes"})
        EXPECT_NE(form.FindComponent(name), nullptr) << name;
    TCloseAction action = TCloseAction::caHide;
    form.FormClose(&form, action);
    EXPECT_EQ(action, TCloseAction::caFree);
}

// A record being edited stays current: the list grid's keys and clicks, the navigator and
// its menu would post it unconfirmed; once it is posted they move again, and code always can.
// Each letter of a command menu reaches one entry: with two entries on one letter the menu
// only moves between them, and the key never runs the command.
TEST(BasePadrao, EveryCommandOfTheOperationMenuRunsFromItsLetter) {
    DialogScript dialogs;
    TfrmPadrao form;
    auto* cds = new dataset::ClientDataSet(&form);
    cds->addField("NRAMOSTRA", FieldType::String, 10);
    form.dtsPadrao->setDataSet(cds);
    form.FormCreate(&form);
    QMenu* operacao = form.mnuOperacao->SubMenu();
    operacao->popup(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(operacao));
    QTest::keyClick(operacao, Qt::Key_I);
    EXPECT_EQ(cds->state(), DataSetState::Insert) << "Incluir did not run from its letter";

    for (TMenuItem* menu : {form.mnuOperacao, form.mnuExibir}) {
        QSet<QChar> letras;
        for (TMenuItem* item : menu->Items()) {
            const QString texto = item->Caption();
            const qsizetype e = texto.indexOf(QLatin1Char('&'));
            if (e < 0 || e + 1 >= texto.size())
                continue;
            const QChar letra = texto.at(e + 1).toLower();
            EXPECT_FALSE(letras.contains(letra)) << texto.toStdString();
            letras.insert(letra);
        }
    }
}

TEST(BasePadrao, TheListDoesNotLeaveTheRecordBeingEdited) {
    DialogScript dialogs;
    TfrmPadrao form;
    auto* cds = new dataset::ClientDataSet(&form);
    cds->addField("NRAMOSTRA", FieldType::String, 10);
    cds->createDataSet();
    for (const char* nr : {"1", "2", "3"}) {
        cds->append();
        cds->fieldByName("NRAMOSTRA")->setAsString(nr);
        cds->post();
    }
    cds->mergeChangeLog();
    cds->first();
    int posts = 0;
    cds->beforePost = [&](dataset::ClientDataSet&) { ++posts; };
    form.dtsPadrao->setDataSet(cds);
    form.dbgPadrao->AddColumn("NRAMOSTRA", 80, "Nº");
    form.FormCreate(&form);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.ShowPage(form.tshFolhaDados);
    form.dbgPadrao->SetFocus();

    form.sbtAlterar->Click();
    cds->fieldByName("NRAMOSTRA")->setAsString("1A");
    const auto clickRow = [&](int row) {
        const QRect cell = form.dbgPadrao->visualRect(form.dbgPadrao->model()->index(row, 0));
        QTest::mouseClick(form.dbgPadrao->viewport(), Qt::LeftButton, {}, cell.center());
    };
    const std::function<void()> moves[] = {
        [&] { QTest::keyClick(form.dbgPadrao, Qt::Key_Down); },
        [&] { QTest::keyClick(form.dbgPadrao, Qt::Key_End, Qt::ControlModifier); },
        [&] { clickRow(2); },
        [&] { form.Proximo1->Click(); }, // the navigator's menu on the grid
        [&] { QTest::keyClick(form.dbgPadrao, Qt::Key_Escape); }, // the list edits nothing
    };
    for (const auto& move : moves) {
        move();
        EXPECT_EQ(cds->state(), DataSetState::Edit);
        EXPECT_EQ(cds->recNo(), 1);
        EXPECT_EQ(form.dbgPadrao->currentIndex().row(), 0);
    }
    EXPECT_EQ(posts, 0);
    EXPECT_EQ(cds->fieldByName("NRAMOSTRA")->asString(), "1A");

    form.sbtConfirmar->Click();
    EXPECT_EQ(posts, 1);
    QTest::keyClick(form.dbgPadrao, Qt::Key_Down);
    EXPECT_EQ(cds->recNo(), 2);
    form.Proximo1->Click();
    EXPECT_EQ(cds->recNo(), 3);
    clickRow(0);
    EXPECT_EQ(cds->recNo(), 1);
    EXPECT_EQ(cds->fieldByName("NRAMOSTRA")->asString(), "1A");
}

struct Dialog : TfrmRotiGeral {
    int confirms = 0;
    void sbtConfirmaClick(QObject* sender) override {
        ++confirms;
        TfrmRotiGeral::sbtConfirmaClick(sender);
    }
};

TEST(BaseRotiGeral, ConfirmRunsFromCodeShownOrNotAndClosingHides) {
    DialogScript dialogs;
    Dialog dialog;
    dialog.sbtConfirma->Click(); // hidden: the same handler runs
    EXPECT_EQ(dialog.confirms, 1);
    dialogs.OnModal([](TForm& f) { dynamic_cast<Dialog&>(f).sbtConfirma->Click(); });
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_EQ(dialog.confirms, 2);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.ShowModal(), mrCancel); // the same instance shows again
}

TEST(Screen, CursorAndDisplaySize) {
    Screen->SetCursor(crHourGlass);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Screen->SetCursor(crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    Screen->SetDisplaySize(QSize(640, 480));
    EXPECT_EQ(Screen->Width(), 640);
    EXPECT_EQ(Screen->Height(), 480);
    Screen->SetDisplaySize(QSize());
    EXPECT_NE(Screen->Width(), 0);
}

TEST(Package, AMissingPackageIsReportedByName) {
    PackageLoader loader(PackageLoader::PathFor("Pkg_inexistente"));
    try {
        loader.CallIniProc();
        FAIL() << "loaded a package that does not exist";
    } catch (const EHostError& e) {
        EXPECT_TRUE(e.message().contains("libPkg_inexistente.so")) << e.message().toStdString();
        EXPECT_TRUE(e.message().startsWith("Não foi possível carregar o pacote"));
    }
    EXPECT_FALSE(loader.Loaded());
}

} // namespace
