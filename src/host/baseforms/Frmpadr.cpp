#include <host/baseforms/Frmpadr.h>

#include <host/core/EventBoundary.h>
#include <host/forms/Application.h>
#include <host/forms/Dialogs.h>
#include <host/forms/HelpWindow.h>
#include <host/search/Procurar.h>

#include <QStyle>

namespace host {

using dataset::DataSetState;

TfrmPadrao::TfrmPadrao(QWidget* parent) : TForm(parent) {
    setObjectName(QStringLiteral("frmPadrao"));
    SetFormStyle(TFormStyle::fsMDIChild);
    build();
    SetClientSize(555, 404);
}

TfrmPadrao::~TfrmPadrao() = default;

TButtonFlat* TfrmPadrao::toolButton(const QString& name, int left, const QString& hint, int icon) {
    auto* b = new TButtonFlat(panMenu, name);
    b->SetBounds(left, 4, 21, 21);
    b->SetHint(hint);
    b->SetGlyph(style()->standardIcon(static_cast<QStyle::StandardPixmap>(icon)));
    return b;
}

void TfrmPadrao::build() {
    // Menu bar on top, then the tool bar; the navigator bar at the bottom; the pages fill
    // the rest.
    mnuMenu = new TMainMenu(this);
    mnuMenu->setObjectName(QStringLiteral("mnuMenu"));
    mnuMenu->setGeometry(0, 0, 555, 22);
    SetAlign(mnuMenu, TAlign::alTop);
    mnuOperacao = mnuMenu->Add(QStringLiteral("mnuOperacao"), QStringLiteral("&Operação"));
    mnuIncluir = mnuOperacao->Add(QStringLiteral("mnuIncluir"), QStringLiteral("&Incluir"));
    mnuAlterar = mnuOperacao->Add(QStringLiteral("mnuAlterar"), QStringLiteral("&Alterar"));
    mnuExcluir = mnuOperacao->Add(QStringLiteral("mnuExcluir"), QStringLiteral("&Excluir"));
    mnuConfirmar = mnuOperacao->Add(QStringLiteral("mnuConfirmar"), QStringLiteral("C&onfirmar"));
    mnuCancelar = mnuOperacao->Add(QStringLiteral("mnuCancelar"), QStringLiteral("&Cancelar"));
    mnuProcurar = mnuOperacao->Add(QStringLiteral("mnuProcurar"), QStringLiteral("&Procurar"));
    mnuVerificar = mnuOperacao->Add(QStringLiteral("mnuVerificar"), QStringLiteral("&Verificar"));
    mnuOperacao->AddSeparator();
    mnuListagem = mnuOperacao->Add(QStringLiteral("mnuListagem"), QStringLiteral("&Listagem"));
    mnuConfigImpressora = mnuOperacao->Add(QStringLiteral("mnuConfigImpressora"),
                                           QStringLiteral("Confi&gurar impressora"));
    mnuOperacao->AddSeparator();
    mnuFechar = mnuOperacao->Add(QStringLiteral("mnuFechar"), QStringLiteral("&Fechar"));
    mnuExibir = mnuMenu->Add(QStringLiteral("mnuExibir"), QStringLiteral("E&xibir"));
    mnuFolhaDados = mnuExibir->Add(QStringLiteral("mnuFolhaDados"), QStringLiteral("&Lista"));
    mnuFormulario = mnuExibir->Add(QStringLiteral("mnuFormulario"), QStringLiteral("&Formulário"));
    mnuAjuda = mnuMenu->Add(QStringLiteral("mnuAjuda"), QStringLiteral("Aj&uda"));

    pmnNavegar = new TPopupMenu(this);
    pmnNavegar->setObjectName(QStringLiteral("pmnNavegar"));
    Primeiro1 = pmnNavegar->Add(QStringLiteral("Primeiro1"), QStringLiteral("Primeiro"));
    Anterior1 = pmnNavegar->Add(QStringLiteral("Anterior1"), QStringLiteral("Anterior"));
    Proximo1 = pmnNavegar->Add(QStringLiteral("Proximo1"), QStringLiteral("Próximo"));
    Ultimo1 = pmnNavegar->Add(QStringLiteral("Ultimo1"), QStringLiteral("Último"));
    prdImprimir = new QObject(this);
    prdImprimir->setObjectName(QStringLiteral("prdImprimir"));
    psdConfigurar = new QObject(this);
    psdConfigurar->setObjectName(QStringLiteral("psdConfigurar"));

    panMenu = new TPanel(this);
    panMenu->setObjectName(QStringLiteral("panMenu"));
    panMenu->SetBounds(0, 22, 555, 30);
    panMenu->SetAlign(TAlign::alTop);
    sbtIncluir =
        toolButton(QStringLiteral("sbtIncluir"), 4, QStringLiteral("Incluir"), QStyle::SP_FileIcon);
    sbtAlterar = toolButton(QStringLiteral("sbtAlterar"), 26, QStringLiteral("Alterar"),
                            QStyle::SP_FileDialogDetailedView);
    sbtExcluir = toolButton(QStringLiteral("sbtExcluir"), 48, QStringLiteral("Excluir"),
                            QStyle::SP_TrashIcon);
    sbtConfirmar = toolButton(QStringLiteral("sbtConfirmar"), 76, QStringLiteral("Confirmar"),
                              QStyle::SP_DialogApplyButton);
    sbtCancelar = toolButton(QStringLiteral("sbtCancelar"), 98, QStringLiteral("Cancelar"),
                             QStyle::SP_DialogCancelButton);
    sbtProcurar = toolButton(QStringLiteral("sbtProcurar"), 126, QStringLiteral("Procurar"),
                             QStyle::SP_FileDialogContentsView);
    sbtVerificar = toolButton(QStringLiteral("sbtVerificar"), 148, QStringLiteral("Verificar"),
                              QStyle::SP_BrowserReload);
    sbtImprimir = toolButton(QStringLiteral("sbtImprimir"), 181, QStringLiteral("Imprimir"),
                             QStyle::SP_DriveFDIcon);
    sbtAjuda = toolButton(QStringLiteral("sbtAjuda"), 209, QStringLiteral("Ajuda"),
                          QStyle::SP_DialogHelpButton);
    sbtAjuda->SetGlyph(HelpGlyph());
    sbtFechar = toolButton(QStringLiteral("sbtFechar"), 237, QStringLiteral("Fechar"),
                           QStyle::SP_DialogCloseButton);
    lblCodTela = new TLabel(panMenu);
    lblCodTela->setObjectName(QStringLiteral("lblCodTela"));
    lblCodTela->SetAutoSize(false);
    lblCodTela->SetAlignment(TAlignment::taRightJustify);
    lblCodTela->SetBold(true);
    lblCodTela->SetBounds(440, 8, 108, 16);

    panNavigator = new TPanel(this);
    panNavigator->setObjectName(QStringLiteral("panNavigator"));
    panNavigator->SetBounds(0, 379, 555, 25);
    panNavigator->SetAlign(TAlign::alBottom);
    dbtNome = new TDBText(panNavigator);
    dbtNome->setObjectName(QStringLiteral("dbtNome"));
    dbtNome->SetBounds(6, 4, 380, 17);
    dbnPadrao = new TDBNavigator(panNavigator);
    dbnPadrao->setObjectName(QStringLiteral("dbnPadrao"));
    dbnPadrao->SetBounds(431, 2, 120, 21);

    pgcPadrao = new TPageControl(this);
    pgcPadrao->setObjectName(QStringLiteral("pgcPadrao"));
    pgcPadrao->SetBounds(0, 52, 555, 327);
    SetAlign(pgcPadrao, TAlign::alClient);
    tshFolhaDados = new TTabSheet(pgcPadrao, QStringLiteral("Lista"));
    tshFolhaDados->setObjectName(QStringLiteral("tshFolhaDados"));
    scbFolhaDados = new TScrollBox(tshFolhaDados);
    scbFolhaDados->setObjectName(QStringLiteral("scbFolhaDados"));
    scbFolhaDados->SetAlign(TAlign::alClient);
    panDbgPadrao = new TPanel(scbFolhaDados);
    panDbgPadrao->setObjectName(QStringLiteral("panDbgPadrao"));
    panDbgPadrao->SetBevelOuter(TBevelCut::bvNone);
    panDbgPadrao->SetAlign(TAlign::alClient);
    dbgPadrao = new TDBGrid(panDbgPadrao);
    dbgPadrao->setObjectName(QStringLiteral("dbgPadrao"));
    dbgPadrao->SetOptions(dgTitles | dgColLines | dgRowLines | dgTabs | dgRowSelect |
                          dgAlwaysShowSelection);
    SetAlign(dbgPadrao, TAlign::alClient);
    tshFormulario = new TTabSheet(pgcPadrao, QStringLiteral("Formulário"));
    tshFormulario->setObjectName(QStringLiteral("tshFormulario"));
    panFormulario = new TPanel(tshFormulario);
    panFormulario->setObjectName(QStringLiteral("panFormulario"));
    panFormulario->SetBevelOuter(TBevelCut::bvNone);
    panFormulario->SetAlign(TAlign::alClient);
    scbFormulario = new TScrollBox(panFormulario);
    scbFormulario->setObjectName(QStringLiteral("scbFormulario"));
    scbFormulario->SetAlign(TAlign::alClient);

    dtsPadrao = new dataset::DataSource(this);
    dtsPadrao->setObjectName(QStringLiteral("dtsPadrao"));
    dbgPadrao->SetDataSource(dtsPadrao);
    dbtNome->SetDataSource(dtsPadrao);
    dbnPadrao->SetDataSource(dtsPadrao);

    msgPadrao = new TMessages(this, QStringLiteral("msgPadrao"));
    msgMensagensPadroes = new TMessages(this, QStringLiteral("msgMensagensPadroes"));
    msgMensagensPadroes->Strings = {
        QStringLiteral("Exclusao|Confirma a exclusão do registro?"),
        QStringLiteral("Cancelar|Cancelar as alterações?"),
        QStringLiteral("Vazio|Não há registros."),
    };

    // The wiring of the base form's resource: each event to the method of its name.
    // A record command starts afresh: what the last one reported leaves the status bar.
    const auto comando = [this](void (TfrmPadrao::*handler)(QObject*)) {
        return [this, handler](QObject* s) {
            TApplication::Instance().SetStatusText(QString());
            (this->*handler)(s);
        };
    };
    sbtIncluir->OnClick = comando(&TfrmPadrao::sbtIncluirClick);
    sbtAlterar->OnClick = comando(&TfrmPadrao::sbtAlterarClick);
    sbtExcluir->OnClick = comando(&TfrmPadrao::sbtExcluirClick);
    sbtConfirmar->OnClick = comando(&TfrmPadrao::sbtConfirmarClick);
    sbtCancelar->OnClick = comando(&TfrmPadrao::sbtCancelarClick);
    sbtProcurar->OnClick = comando(&TfrmPadrao::sbtProcurarClick);
    sbtVerificar->OnClick = comando(&TfrmPadrao::sbtVerificarClick);
    sbtImprimir->OnClick = [this](QObject* s) { sbtImprimirClick(s); };
    sbtAjuda->OnClick = [this](QObject* s) { sbtAjudaClick(s); };
    sbtFechar->OnClick = [this](QObject* s) { sbtFecharClick(s); };
    const QList<QPair<TMenuItem*, TButtonFlat*>> entries = {
        {mnuIncluir, sbtIncluir},     {mnuAlterar, sbtAlterar},   {mnuExcluir, sbtExcluir},
        {mnuConfirmar, sbtConfirmar}, {mnuCancelar, sbtCancelar}, {mnuProcurar, sbtProcurar},
        {mnuVerificar, sbtVerificar}, {mnuFechar, sbtFechar},     {mnuAjuda, sbtAjuda}};
    for (const auto& [item, button] : entries) {
        TButtonFlat* b = button;
        item->OnClick = [b](QObject*) {
            if (b->isEnabled())
                b->Click();
        };
    }
    mnuFolhaDados->OnClick = [this](QObject*) { ShowPage(tshFolhaDados); };
    mnuFormulario->OnClick = [this](QObject*) { ShowPage(tshFormulario); };
    auto navigate = [this](TNavigateBtn which) {
        return [this, which](QObject*) {
            if (dbnPadrao->isEnabled())
                dbnPadrao->BtnClick(which);
        };
    };
    Primeiro1->OnClick = navigate(nbFirst);
    Anterior1->OnClick = navigate(nbPrior);
    Proximo1->OnClick = navigate(nbNext);
    Ultimo1->OnClick = navigate(nbLast);
    for (QWidget* w : std::initializer_list<QWidget*>{dbgPadrao, dbnPadrao}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
                [this, w](const QPoint& at) { pmnNavegar->popup(w->mapToGlobal(at)); });
    }
    pgcPadrao->OnChange = [this](QObject* s) { pgcPadraoChange(s); };
    dtsPadrao->onStateChange = [this](dataset::DataSource&) { dtsPadraoStateChange(dtsPadrao); };
    connect(dtsPadrao, &dataset::DataSource::dataChanged, this, [this] { UpdateCommands(); });
}

void TfrmPadrao::resizeEvent(QResizeEvent* event) {
    TForm::resizeEvent(event);
    lblCodTela->move(panMenu->width() - lblCodTela->width() - 6, lblCodTela->y());
    dbnPadrao->move(panNavigator->width() - dbnPadrao->width() - 4, dbnPadrao->y());
}

void TfrmPadrao::FormCreate(QObject*) {
    UpdateCommands();
}

void TfrmPadrao::FormClose(QObject*, TCloseAction& Action) {
    Action = TCloseAction::caFree;
}

void TfrmPadrao::pgcPadraoChange(QObject*) {
    const bool list = pgcPadrao->ActivePage() == tshFolhaDados;
    mnuFolhaDados->SetChecked(list);
    mnuFormulario->SetChecked(!list);
}

void TfrmPadrao::ShowPage(TTabSheet* page) {
    if (!page->Enabled() || !pgcPadrao->isEnabled())
        return;
    pgcPadrao->SetActivePage(page);
    pgcPadraoChange(pgcPadrao);
}

void TfrmPadrao::UpdateCommands() {
    dataset::ClientDataSet* ds = dtsPadrao->dataSet();
    const DataSetState state = ds ? ds->state() : DataSetState::Inactive;
    const bool editing = state == DataSetState::Edit || state == DataSetState::Insert;
    const bool browsing = state == DataSetState::Browse;
    const bool hasRecord = browsing && !ds->isEmpty();
    const QList<QPair<QPair<TButtonFlat*, TMenuItem*>, bool>> commands = {
        {{sbtIncluir, mnuIncluir}, !editing},
        {{sbtAlterar, mnuAlterar}, hasRecord},
        {{sbtExcluir, mnuExcluir}, hasRecord},
        {{sbtConfirmar, mnuConfirmar}, editing || (browsing && ds->changeCount() > 0)},
        {{sbtCancelar, mnuCancelar}, editing},
        {{sbtProcurar, mnuProcurar}, hasRecord},
        {{sbtVerificar, mnuVerificar}, hasRecord},
    };
    for (const auto& [pair, on] : commands) {
        pair.first->SetEnabled(on);
        pair.second->SetEnabled(on);
    }
    // Leaving the record being edited would post it unconfirmed: neither the navigator, its
    // menu nor the list grid moves the cursor until it is confirmed or cancelled.
    dbnPadrao->setEnabled(!editing);
    for (TMenuItem* item : {Primeiro1, Anterior1, Proximo1, Ultimo1})
        item->SetEnabled(!editing);
    dbgPadrao->SetRowMovesEnabled(!editing);
}

void TfrmPadrao::dtsPadraoStateChange(QObject*) {
    UpdateCommands();
}

void TfrmPadrao::sbtIncluirClick(QObject*) {
    dataset::ClientDataSet* ds = dtsPadrao->dataSet();
    if (!ds)
        return;
    if (!ds->active())
        ds->createDataSet();
    ds->append();
}

void TfrmPadrao::sbtAlterarClick(QObject*) {
    if (dataset::ClientDataSet* ds = dtsPadrao->dataSet())
        ds->edit();
}

void TfrmPadrao::sbtExcluirClick(QObject*) {
    dataset::ClientDataSet* ds = dtsPadrao->dataSet();
    if (!ds || ds->isEmpty())
        return;
    if (msgMensagensPadroes->ShowMsg(QStringLiteral("Exclusao"), TMsgDlgType::mtConfirmation,
                                     mbYesNo, 0, mbNo) == mrYes)
        ds->remove();
}

void TfrmPadrao::sbtConfirmarClick(QObject*) {
    dataset::ClientDataSet* ds = dtsPadrao->dataSet();
    if (ds && (ds->state() == DataSetState::Edit || ds->state() == DataSetState::Insert))
        ds->post();
}

void TfrmPadrao::sbtCancelarClick(QObject*) {
    dataset::ClientDataSet* ds = dtsPadrao->dataSet();
    if (ds && (ds->state() == DataSetState::Edit || ds->state() == DataSetState::Insert))
        ds->cancel();
}

void TfrmPadrao::sbtProcurarClick(QObject*) {
    if (dataset::ClientDataSet* ds = dtsPadrao->dataSet())
        Procurar::Procura(ds);
}

void TfrmPadrao::sbtVerificarClick(QObject*) {}

void TfrmPadrao::sbtImprimirClick(QObject*) {}

void TfrmPadrao::sbtAjudaClick(QObject*) {
    ShowHelp(HelpFile(), HelpContext());
}

void TfrmPadrao::sbtFecharClick(QObject*) {
    Close();
}

} // namespace host
