// Unit Cli_est25000: module variables, unit initialisation, the screen's factory and the life
// of the screen: creation, activation, closing, loading the items on every move, the page
// change, the state-driven buttons, the calculated fields and the item-total check.
#include <est25000/Cli_est25000.h>

#include <est25000/Cli_est25100.h>
#include <est25000/Cli_est25200.h>
#include <est25000/CursorEspera.h>
#include <est25000/ErrosServidor.h>
#include <est25000/HistoricoAmostra.h>
#include <est25000/MascaraProduto.h>
#include <est25000/SomaItens.h>

#include <dataset/ClientDataSet.h>
#include <dataset/DataSource.h>
#include <dataset/EditMask.h>
#include <host/database/Adoibquery.h>
#include <host/forms/Application.h>
#include <host/forms/Dialogs.h>
#include <host/forms/Screen.h>
#include <host/library/Consiste.h>
#include <host/library/MensErro.h>
#include <host/library/Picture.h>
#include <host/library/Quorvan.h>
#include <host/library/Qvn_msg.h>
#include <host/remote/ChangeJournal.h>
#include <host/remote/Netconnection.h>

#include <QJsonArray>
#include <QScopeGuard>
#include <QTabBar>

namespace Cli_est25000 {

// Zero-initialised before any code of the package runs (constinit), as the units expect.
constinit TfrmAmostraProc* frmAmostraProc = nullptr;
constinit bool boIdCriado = false;
constinit bool boPrimVez = false;
constinit bool boDelAmostra = false;
constinit bool boDelete = false;
constinit bool boLoop = false;
constinit QString stProdPrinc;

void Initialization() {
    boIdCriado = false;
    boDelAmostra = false;
    boLoop = false;
    boDelete = false;
    stProdPrinc.clear();
}

void Finalization() {
    stProdPrinc.clear();
}

void CriaAmostraProc() {
    est25000::CursorEspera cursor;
    if (!boIdCriado) {
        host::Application->CreateForm(frmAmostraProc);
        boIdCriado = true;
    }
    frmAmostraProc->Show();
    frmAmostraProc->SetWindowState(host::TWindowState::wsNormal);
    if (host::Screen->Width() == 640 && host::Screen->Height() == 480)
        frmAmostraProc->SetBorderIcons(host::biSystemMenu | host::biMinimize | host::biMaximize);
}

namespace {

QString produtoPict() {
    return est25000::mascaraProduto();
}

} // namespace

TfrmAmostraProc::~TfrmAmostraProc() {
    // The journal stays on disk; no change made while the screen is taken apart reaches it.
    delete diario_;
    diario_ = nullptr;
    // Destroyed without its close (the host shutting down): the next IniProc starts afresh.
    if (frmAmostraProc == this) {
        frmAmostraProc = nullptr;
        boIdCriado = false;
    }
}

void TfrmAmostraProc::FormCreate(QObject* Sender) {
    host::TfrmPadrao::FormCreate(Sender);
    boDelAmostra = false;
    boPrimVez = true;
    netAmostraProc->SetConnected(true);
    netEstoque->SetConnected(true);
    netInfoProd->SetConnected(true);
    cdsErros_ = std::make_unique<dataset::ClientDataSet>();
    cdsAmostraProc->fieldByName(QStringLiteral("CDARVPROD"))->setEditMask(produtoPict());
    cdsItemAmostra->fieldByName(QStringLiteral("CDARVPROD"))->setEditMask(produtoPict());
    cdsProdAmostra->fieldByName(QStringLiteral("CDARVPROD"))->setEditMask(produtoPict());
    qryProdItem->Query()->fieldByName(QStringLiteral("CDARVPROD"))->setEditMask(produtoPict());
    cdsItemAmostra->fieldByName(QStringLiteral("CDARVPROD"))->setTag(1);
}

void TfrmAmostraProc::netAmostraProcBeforeConnect(QObject*) {
    netAmostraProc->SetHost(Quorvan::WebURL());
    netAmostraProc->Port = Quorvan::WebPort();
}

void TfrmAmostraProc::netEstoqueBeforeConnect(QObject*) {
    netEstoque->SetHost(Quorvan::WebURL());
    netEstoque->Port = Quorvan::WebPort();
}

void TfrmAmostraProc::netInfoProdBeforeConnect(QObject*) {
    netInfoProd->SetHost(Quorvan::WebURL());
    netInfoProd->Port = Quorvan::WebPort();
}

void TfrmAmostraProc::FormActivate(QObject* Sender) {
    host::TfrmPadrao::FormActivate(Sender);
    repaint();
    Quorvan::MsgEventForm = [this](Quorvan::tagMSG& Msg, bool& Handled) {
        OnMessage(Msg, Handled);
    };
    if (boPrimVez) {
        boPrimVez = false;
        Cli_est25200::CriaFiltroAmostraProc();
        atualizaPaginas();
        ofereceRecuperacao();
        focaSemAmostras();
    }
}

void TfrmAmostraProc::FormDeactivate(QObject* Sender) {
    host::TfrmPadrao::FormDeactivate(Sender);
    Quorvan::MsgEventForm = nullptr;
}

void TfrmAmostraProc::FormClose(QObject* Sender, host::TCloseAction& Action) {
    try {
        Vd_SomaItens();
        if (!DescartaAlteracoes()) {
            Action = host::TCloseAction::caNone; // back to editing
            return;
        }
        diario_->WriteNow(); // nothing is pending any more: no journal is left
        diario_->SetEnabled(false);
        if (Cli_est25200::frmFiltroAmostraProc) {
            delete Cli_est25200::frmFiltroAmostraProc;
            Cli_est25200::frmFiltroAmostraProc = nullptr;
        }
        boIdCriado = false;
        Quorvan::MsgEventForm = nullptr;
        netAmostraProc->SetConnected(false);
        netEstoque->SetConnected(false);
        netInfoProd->SetConnected(false);
        host::TfrmPadrao::FormClose(Sender, Action);
        Action = host::TCloseAction::caFree;
    } catch (...) {
        Action = host::TCloseAction::caNone;
        throw;
    }
}

QJsonArray TfrmAmostraProc::argumentosItens() const {
    return argumentosItens(cdsAmostraProc->fieldByName(QStringLiteral("NRAMOSTRA"))->asString());
}

QJsonArray TfrmAmostraProc::argumentosItens(const QString& nrAmostra) {
    return {nrAmostra, QString::number(Quorvan::DBPictObj(Quorvan::tpProduto)->GetTtNiveis())};
}

// Sends the items request of the sample the cursor reached, before the controls show it: the
// server works while they lay out, and AfterScroll (carregaItens) waits for this very answer.
void TfrmAmostraProc::pedeItens() {
    try {
        netAmostraProc->SendText(QStringLiteral("GetItemAmostra"), argumentosItens());
    } catch (...) {
        // Nothing is pending then: carregaItens calls at once and raises the failure itself.
    }
}

void TfrmAmostraProc::carregaItens() {
    try {
        cdsItemAmostra->setDataJsonText(
            netAmostraProc->ReceiveText(QStringLiteral("GetItemAmostra"), argumentosItens()));
        itensFalharam_ = false;
    } catch (...) {
        // The items of the sample left must not stay under the header of the one reached,
        // nor be confirmed with it: the grid is left empty (Edit and the form page load the
        // sample's own items again).
        itensFalharam_ = true;
        cdsItemAmostra->cancel();
        if (cdsItemAmostra->active())
            cdsItemAmostra->emptyDataSet();
        else
            cdsItemAmostra->createDataSet();
        throw;
    }
}

void TfrmAmostraProc::cdsAmostraProcAfterScroll(dataset::ClientDataSet&) {
    carregaItens();
    cdsAmostraProc->fieldByName(QStringLiteral("NRINSJURNF"))
        ->setEditMask(Consiste::PictPess(
            cdsAmostraProc->fieldByName(QStringLiteral("IDTPIJURNF"))->asString()));
}

void TfrmAmostraProc::cdsAmostraProcCalcFields(dataset::ClientDataSet& DataSet) {
    const auto texto = [&](const char* nome) {
        return DataSet.fieldByName(QString::fromLatin1(nome))->asString();
    };
    DataSet.fieldByName(QStringLiteral("PRODDESC"))
        ->setAsString(dataset::formatMaskText(produtoPict(), texto("CDARVPROD")) +
                      QLatin1Char(' ') + texto("NMPRODUTO"));
    DataSet.fieldByName(QStringLiteral("DESCAMOSTRA"))
        ->setAsString(texto("NRAMOSTRA") + QStringLiteral(" - ") + texto("DSAMOSTRA"));
}

void TfrmAmostraProc::pgcPadraoChange(QObject* Sender) {
    host::TfrmPadrao::pgcPadraoChange(Sender);
    RepaintBeforeWait();
    // Items with changes not yet confirmed are the current sample's (every move reloads them),
    // even when none is left to carry its number: a reload would drop what was typed.
    if (pgcPadrao->ActivePage() == tshFormulario &&
        cdsAmostraProc->fieldByName(QStringLiteral("NRAMOSTRA"))->asString() !=
            cdsItemAmostra->fieldByName(QStringLiteral("NRAMOSTRA"))->asString() &&
        cdsItemAmostra->state() != dataset::DataSetState::Insert &&
        cdsItemAmostra->changeCount() == 0)
        carregaItens();
}

void TfrmAmostraProc::dtsPadraoStateChange(QObject* Sender) {
    host::TfrmPadrao::dtsPadraoStateChange(Sender);
    if (!cdsItemAmostra)
        return; // the master dataset joined dtsPadrao while the screen is being built
    // The server puts the item's internal code in CDOBJETO, so the item is matched on
    // CDPRODUTO, the code the error list compares too.
    dataset::Field* cdProduto = cdsItemAmostra->findField(QStringLiteral("CDPRODUTO"));
    const QString item =
        cdProduto && !cdsItemAmostra->isEmpty() ? cdProduto->asString() : QString();
    sbtVisualizaErros->SetEnabled(ResultErroItem(item));
    const dataset::DataSetState estado = dtsPadrao->state();
    sbtFiltro->SetEnabled(estado != dataset::DataSetState::Edit &&
                          estado != dataset::DataSetState::Insert);
}

void TfrmAmostraProc::dbgPadraoEnter(QObject*) {}

void TfrmAmostraProc::sbtFiltroClick(QObject*) {
    host::Application->SetStatusText(QString());
    if (!DescartaAlteracoes())
        return;
    Cli_est25200::CriaFiltroAmostraProc();
    atualizaPaginas();
    focaSemAmostras();
}

void TfrmAmostraProc::sbtVisualizaErrosClick(QObject*) {
    Cli_est25100::CriaVisualizaErros(
        cdsItemAmostra->fieldByName(QStringLiteral("CDPRODUTO"))->asString());
}

void TfrmAmostraProc::mnuHistoricoClick(QObject*) {
    // A sample being included has no history yet; the list's current one has.
    const QString nrAmostra =
        cdsAmostraProc->isEmpty() || cdsAmostraProc->state() == dataset::DataSetState::Insert
            ? QString()
            : cdsAmostraProc->fieldByName(QStringLiteral("NRAMOSTRA"))->asString().trimmed();
    if (nrAmostra.isEmpty()) {
        host::MessageDlg(QStringLiteral("Selecione uma amostra gravada para ver o histórico."),
                         host::TMsgDlgType::mtInformation, host::mbOK);
        return;
    }
    est25000::MostraHistorico(*netAmostraProc, nrAmostra);
}

// With no sample listed every control of the pages is disabled: the keyboard stays on the page
// tabs, where Filtrar (F3) and the menus are one key away.
void TfrmAmostraProc::focaSemAmostras() {
    if (cdsAmostraProc->isEmpty() && pgcPadrao->tabBar()->isEnabled())
        pgcPadrao->tabBar()->setFocus(Qt::OtherFocusReason);
}

void TfrmAmostraProc::atualizaPaginas() {
    const bool temAmostras = !cdsAmostraProc->isEmpty();
    tshFormulario->SetEnabled(temAmostras);
    mnuFormulario->SetEnabled(temAmostras);
    tshFolhaDados->SetEnabled(temAmostras);
    mnuFolhaDados->SetEnabled(temAmostras);
}

void TfrmAmostraProc::Vd_SomaItens() {
    if (cdsItemAmostra->isEmpty())
        return;
    QList<double> quantidades;
    dataset::Field* quantidade = cdsItemAmostra->fieldByName(QStringLiteral("QTPRODGERADO"));
    {
        // The grid follows the walk once, at its end, not at each item.
        cdsItemAmostra->disableControls();
        const auto reativa = qScopeGuard([this] { cdsItemAmostra->enableControls(); });
        cdsItemAmostra->first();
        while (!cdsItemAmostra->eof()) {
            quantidades << quantidade->asFloat();
            cdsItemAmostra->next();
        }
    }
    const auto diferenca = diferencaSomaItens(
        quantidades, cdsAmostraProc->fieldByName(QStringLiteral("QTPRODPROC"))->asFloat());
    if (!diferenca)
        return;

    repaint();
    if (pgcPadrao->ActivePage() != tshFormulario) {
        pgcPadrao->SetActivePage(tshFormulario);
        pgcPadraoChange(pgcPadrao);
    }
    dbgItensAmostra->SetFocus();
    if (cdsAmostraProc->controlsDisabled())
        cdsAmostraProc->enableControls();
    Consiste::MensErro(msgPadrao->Msg(QStringLiteral("TotItens_inv"))
                           .replace(QStringLiteral("%s"), textoDiferenca(*diferenca)),
                       true);
}

bool TfrmAmostraProc::RetornouErro() {
    return retornouErro(*cdsErros_);
}

bool TfrmAmostraProc::ResultErroItem(const QString& cdObjeto) {
    return cdsErros_ && resultErroItem(*cdsErros_, cdObjeto);
}

} // namespace Cli_est25000

extern "C" void IniProc() {
    Cli_est25000::CriaAmostraProc();
}
