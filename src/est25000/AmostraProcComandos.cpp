// The record commands New, Edit, Confirm, Cancel, Delete and Search, the sample's checks
// before a post, and the round trip of a confirmation to the application server.
//
// The change logs of cdsAmostraProc and cdsItemAmostra hold what is still to be sent: what
// the server has stored leaves them at once (an accepted confirmation or deletion), and what
// the user cancels leaves them too, so a later confirmation never carries it.
#include <est25000/Cli_est25000.h>

#include <est25000/Cli_est25200.h>
#include <est25000/VerificacaoCampo.h>

#include <dataset/ClientDataSet.h>
#include <dataset/DataPacket.h>
#include <dataset/DataSource.h>
#include <host/controls/Showavi.h>
#include <host/core/Exceptions.h>
#include <host/forms/Application.h>
#include <host/forms/Dialogs.h>
#include <host/library/Consiste.h>
#include <host/library/MensErro.h>
#include <host/library/Quorvan.h>
#include <host/library/Qvn_msg.h>
#include <host/remote/ChangeJournal.h>
#include <host/remote/Netconnection.h>
#include <host/search/Procurar.h>

#include <QJsonArray>
#include <QUuid>

namespace Cli_est25000 {

namespace {

using dataset::DataSetState;

bool editando(DataSetState estado) {
    return estado == DataSetState::Edit || estado == DataSetState::Insert;
}

bool editando(const dataset::ClientDataSet& ds) {
    return editando(ds.state());
}

// A dataset's change log as the server takes it; null when nothing is pending.
// The dataset's change packet as JSON text: null when nothing changed.
QByteArray pacote(const dataset::ClientDataSet& ds) {
    return ds.changeCount() == 0 ? QByteArrayLiteral("null")
                                 : dataset::changePacketToJsonText(ds.delta());
}

const QString kDescarta = QStringLiteral("A amostra tem alterações ainda não confirmadas, que "
                                         "serão perdidas. Descartar as alterações?");

} // namespace

void TfrmAmostraProc::ligaComandos() {
    cdsAmostraProc->beforePost = [this](dataset::ClientDataSet& ds) {
        cdsAmostraProcBeforePost(ds);
    };
    cdsAmostraProc->afterEdit = [this](dataset::ClientDataSet& ds) { cdsAmostraProcAfterEdit(ds); };
}

void TfrmAmostraProc::sbtIncluirClick(QObject* Sender) {
    tshFormulario->SetEnabled(true);
    mnuFormulario->SetEnabled(true);
    host::TfrmPadrao::sbtIncluirClick(Sender);
    pgcPadrao->setEnabled(true);
    ShowPage(tshFormulario);
    dbeDescAmostra->SetFocus();
}

void TfrmAmostraProc::sbtAlterarClick(QObject* Sender) {
    // Items that could not be loaded (server unreachable at the move) are loaded before the
    // sample can be edited, so no item typed now is confirmed beside unseen ones.
    if (itensFalharam_)
        carregaItens();
    host::TfrmPadrao::sbtAlterarClick(Sender);
    ShowPage(tshFormulario);
    dbeDescAmostra->SetFocus();
}

void TfrmAmostraProc::sbtProcurarClick(QObject* Sender) {
    if (ActiveControl() == dbgItensAmostra)
        Procurar::Procura(cdsItemAmostra);
    else
        host::TfrmPadrao::sbtProcurarClick(Sender);
}

void TfrmAmostraProc::cdsAmostraProcBeforePost(dataset::ClientDataSet&) {
    Vd_DescAmostra();
    // Supplier, series and invoice are optional together: one given, all three are required.
    // Read as the header's exit reads them: a mask's literals alone are no text.
    if (est25000::temTexto(dbeNrInscForn) || est25000::temTexto(dbeCdSerie) ||
        est25000::temTexto(dbeNrNotaFisc)) {
        Vd_Fornecedor(true);
        Vd_SerieNF(true);
        Vd_NotaFiscal(true);
    }
    Vd_ProdAmostra(true);
    Vd_QuantAmostra(true);
    if (!boDelete)
        Vd_SomaItens();
}

void TfrmAmostraProc::cdsAmostraProcAfterEdit(dataset::ClientDataSet& DataSet) {
    if (DataSet.state() == DataSetState::Browse)
        DataSet.edit();
}

void TfrmAmostraProc::esvaziaErros() {
    if (cdsErros_->active())
        cdsErros_->emptyDataSet();
    sbtVisualizaErros->SetEnabled(false); // no row left to show
    dbgItensAmostra->RefreshMarks();
}

QJsonArray TfrmAmostraProc::enviaAoServidor(const QString& chaveProgresso) {
    const QByteArray amostra = pacote(*cdsAmostraProc);
    pacoteItens_ = pacote(*cdsItemAmostra);
    Showavi::ActiveShowAvi(frmAmostraProc, Showavi::aviCopiaArquivo,
                           msgPadrao->Msg(chaveProgresso));
    const QByteArray argumentos = '[' + pacoteItens_ + ',' + amostra + ']';
    // Other changes than those sent without an answer are another confirmation.
    if (chaveGravacao_.isEmpty() ||
        (!gravacaoSemResposta_.isEmpty() && argumentos != gravacaoSemResposta_))
        chaveGravacao_ = QUuid::createUuid().toString(QUuid::WithoutBraces);
    gravacaoSemResposta_ = argumentos;
    // Should the desktop end before the answer, the next one finds the key stored and drops
    // the journal rather than offering the sample to be stored again: the key is on disk
    // before the server may store under it (the typing's journal holds it already, as a rule).
    if (!chaveNoDiario())
        diario_->Flush();
    netAmostraProc->SetRequestKey(chaveGravacao_);
    const auto fim = [&] {
        netAmostraProc->SetRequestKey({});
        Showavi::DeactiveShowAvi();
        pacoteItens_.clear();
    };
    try {
        const QJsonArray resposta =
            netAmostraProc->CallJsonText(QStringLiteral("ConfirmaAmostra"), argumentos).toArray();
        chaveGravacao_.clear();
        gravacaoSemResposta_ = {};
        cdsErros_->setDataJson(resposta.at(0));
        fim();
        return resposta;
    } catch (const host::ENoAnswer& e) {
        // The server may have stored it. The key stays: the same changes sent again are
        // answered with what was stored, never stored a second time under a new number.
        fim();
        diario_->WriteNow(); // with the key, so a recovered sample goes under it too
        throw host::EHostError(
            e.message() +
            QStringLiteral("\nA resposta não chegou, mas a gravação pode ter sido feita. Repita "
                           "a operação sem alterar nada: ela não será gravada duas vezes."));
    } catch (const host::EServerError& e) {
        // A refusal stored nothing and would be refused again: changed, it is another
        // confirmation. A failure of the server or its database keeps the key, so the same
        // changes sent again are never stored twice, whatever the failure left behind.
        if (e.status() < 500) {
            chaveGravacao_.clear();
            gravacaoSemResposta_ = {};
        }
        fim();
        diario_->WriteNow(); // the changes stay pending, with the key if one is kept
        throw;
    } catch (...) {
        fim(); // not even sent, or failed before the server: the key stays, harmless
        throw;
    }
}

// The branch of the sample being typed (a sample in browse state keeps the one it was posted
// with). From an invoice: the branch of that invoice's entry in the invoice list; a stock
// sample: the current branch when it is new. The list's row of another invoice, or the
// branch of the user editing a stored sample, would move the sample to another branch's
// stock or invoice entry; the sample then keeps its own.
void TfrmAmostraProc::defineFilial() {
    dataset::Field* filial = cdsAmostraProc->fieldByName(QStringLiteral("CDFILIAL"));
    const QString lancamento =
        cdsAmostraProc->fieldByName(QStringLiteral("NRLANCTONF"))->asString().trimmed();
    if (!lancamento.isEmpty()) {
        if (!cdsNotaFiscal->isEmpty() &&
            cdsNotaFiscal->fieldByName(QStringLiteral("NRLANCTONF"))->asString().trimmed() ==
                lancamento)
            filial->setAsString(cdsNotaFiscal->fieldByName(QStringLiteral("CDFILIAL"))->asString());
    } else if (cdsAmostraProc->state() == DataSetState::Insert || filial->asString().isEmpty()) {
        filial->setAsString(Quorvan::FiliProc());
    }
}

void TfrmAmostraProc::reaplicaFiltro() {
    Cli_est25200::frmFiltroAmostraProc->sbtConfirma->Click();
}

void TfrmAmostraProc::sbtConfirmarClick(QObject*) {
    // The posts below each ask for the journal: it is written once, with the key, before the
    // server is called, and once more at the end if anything changed after.
    host::ChangeJournal::Hold umaEscrita(*diario_);
    if (editando(*cdsAmostraProc))
        defineFilial();

    bool gravada = false; // the server stored it: nothing of it is pending any more
    bool recarregando = false;
    try {
        if (editando(dtsPadrao->state()) && cdsItemAmostra->isEmpty()) {
            dbgItensAmostra->SetFocus();
            Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Prod_inf")), true);
        }
        esvaziaErros();
        if (editando(dtsPadrao->state()))
            cdsAmostraProc->post();
        if (!boDelete)
            Vd_SomaItens();
        if (editando(*cdsItemAmostra))
            cdsItemAmostra->post();

        const QJsonArray resposta = enviaAoServidor(QStringLiteral("Conf_Amostra"));
        const QString nrAmostra = resposta.at(1).toVariant().toString();
        if (RetornouErro()) {
            // Refused: the sample stays in edit with everything typed; the error list says why
            // and the items it names are marked.
            cdsAmostraProc->edit();
            sbtVisualizaErros->SetEnabled(true);
            dbgItensAmostra->RefreshMarks();
            host::Application->SetStatusText(
                QStringLiteral("Amostra não gravada: veja a lista de erros."));
            return;
        }
        gravada = true;
        cdsAmostraProc->mergeChangeLog();
        cdsItemAmostra->mergeChangeLog();
        diario_->WriteNow(); // stored: the journal goes
        UpdateCommands();

        esvaziaErros();
        sbtVisualizaErros->SetEnabled(false);
        mnuFolhaDados->SetEnabled(true);
        mnuFormulario->SetEnabled(true);
        tshFolhaDados->SetTabVisible(true);
        tshFolhaDados->SetEnabled(true);
        pgcPadraoChange(pgcPadrao);
        // The stored sample's items are asked for now, to come while the list is brought up to
        // date: the cursor lands on the sample there and takes them (any other move asks again).
        netAmostraProc->SendText(QStringLiteral("GetItemAmostra"), argumentosItens(nrAmostra));
        // The base form sets its command buttons from the state of dtsPadrao itself.
        boDelete = true;
        recarregando = true;
        cdsAmostraProc->disableControls();
        const bool listada = Cli_est25200::frmFiltroAmostraProc->atualizaLista(nrAmostra);
        cdsAmostraProc->enableControls();
        boDelete = false;
        host::Application->SetStatusText(
            QStringLiteral("Amostra %1 gravada.").arg(nrAmostra.trimmed(), 10, QLatin1Char('0')) +
            (listada ? QString() : QStringLiteral(" (fora do filtro atual)")));
    } catch (...) {
        Showavi::DeactiveShowAvi();
        // Back into editing to confirm again; not what the server has already stored.
        if (!gravada && dtsPadrao->state() == DataSetState::Browse && !cdsAmostraProc->isEmpty())
            cdsAmostraProc->edit();
        if (recarregando) {
            if (cdsAmostraProc->controlsDisabled())
                cdsAmostraProc->enableControls();
            boDelete = false;
        }
        throw;
    }
}

void TfrmAmostraProc::sbtCancelarClick(QObject*) {
    if (editando(*cdsItemAmostra)) {
        cdsItemAmostra->cancel();
        return;
    }
    if (msgPadrao->ShowMsg(QStringLiteral("Cancel"), host::TMsgDlgType::mtConfirmation,
                           host::mbYesNo, 0, host::mbNo) != host::mrYes)
        return;
    repaint();
    descartaAmostra();
    cdsAmostraProcAfterScroll(*cdsAmostraProc);
    if (cdsAmostraProc->isEmpty())
        DisableForInsert();
    esvaziaErros();
    diario_->WriteNow(); // cancelled: no journal is left of it
}

// Drops the edit of the sample and what it had posted before (a confirmation the server
// refused posts it), so the list shows the sample as stored and no later confirmation sends
// the cancelled values. Other samples' pending changes stay.
void TfrmAmostraProc::descartaAmostra() {
    if (cdsAmostraProc->state() == DataSetState::Edit)
        cdsAmostraProc->revertRecord();
    else
        cdsAmostraProc->cancel();
}

void TfrmAmostraProc::sbtExcluirClick(QObject*) {
    struct Bracket {
        Bracket() { boDelAmostra = true; }
        ~Bracket() { boDelAmostra = false; }
    } bracket;
    const QString nrAmostra = cdsAmostraProc->fieldByName(QStringLiteral("NRAMOSTRA"))->asString();
    if (host::MessageDlg(msgPadrao->Msg(QStringLiteral("Exc_Lanc")),
                         host::TMsgDlgType::mtConfirmation, host::mbYesNo, 0,
                         host::mbNo) != host::mrYes)
        return;

    repaint();
    boDelete = true;
    try {
        cdsAmostraProc->remove();
    } catch (...) {
        boDelete = false;
        restauraAmostra(nrAmostra);
        throw;
    }
    boDelete = false;
    if (cdsAmostraProc->isEmpty())
        DisableForInsert();
    esvaziaErros();
    if (editando(dtsPadrao->state()))
        cdsAmostraProc->post();
    if (editando(*cdsItemAmostra))
        cdsItemAmostra->post();

    try {
        enviaAoServidor(QStringLiteral("Del_amostra"));
    } catch (...) {
        restauraAmostra(nrAmostra);
        throw;
    }
    if (!cdsErros_->isEmpty() &&
        cdsErros_->locate(QStringLiteral("CDERRO"), QStringLiteral("EST25000_4"), true)) {
        reaplicaFiltro();
        cdsAmostraProc->locate(QStringLiteral("NRAMOSTRA"), nrAmostra, true);
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Exc_Bloq")), true);
    }
    if (!RetornouErro()) {
        cdsAmostraProc->mergeChangeLog(); // stored: the deletion is no longer pending
        UpdateCommands();
        if (cdsAmostraProc->isEmpty())
            DisableForInsert();
    }
}

// A deletion that was not stored: the sample comes back, current, so the list shows what is
// stored and no later confirmation deletes it unasked. Its items may fail to load as well (the
// server down); the failure reported is the deletion's.
void TfrmAmostraProc::restauraAmostra(const QString& nrAmostra) {
    try {
        cdsAmostraProc->cancelUpdates();
    } catch (...) {
    }
    try {
        cdsAmostraProc->locate(QStringLiteral("NRAMOSTRA"), nrAmostra, true);
    } catch (...) {
    }
    if (!cdsAmostraProc->isEmpty()) {
        pgcPadrao->setEnabled(true);
        atualizaPaginas();
        UpdateCommands();
    }
}

void TfrmAmostraProc::DisableForInsert() {
    for (host::TButtonFlat* botao : {sbtAlterar, sbtExcluir, sbtProcurar, sbtVerificar})
        botao->SetEnabled(false);
    for (host::TMenuItem* item : {mnuAlterar, mnuExcluir, mnuProcurar, mnuVerificar})
        item->SetEnabled(false);
    tshFolhaDados->SetEnabled(true);
    pgcPadrao->SetActivePage(tshFolhaDados);
    pgcPadraoChange(pgcPadrao);
    pgcPadrao->setEnabled(false);
    mnuFormulario->SetEnabled(false);
    mnuFolhaDados->SetEnabled(false);
}

bool TfrmAmostraProc::AlteracoesPendentes() {
    try {
        // Text still in an edit counts as typed.
        if (editando(*cdsAmostraProc))
            cdsAmostraProc->updateRecord();
        if (editando(*cdsItemAmostra))
            cdsItemAmostra->updateRecord();
    } catch (...) {
        return true; // text that is not a value yet was typed all the same
    }
    return (editando(*cdsAmostraProc) && cdsAmostraProc->modified()) ||
           (editando(*cdsItemAmostra) && cdsItemAmostra->modified()) ||
           cdsAmostraProc->changeCount() > 0 || cdsItemAmostra->changeCount() > 0;
}

bool TfrmAmostraProc::DescartaAlteracoes() {
    if (!AlteracoesPendentes())
        return true;
    if (host::MessageDlg(kDescarta, host::TMsgDlgType::mtConfirmation, host::mbYesNo, 0,
                         host::mbNo) != host::mrYes)
        return false;
    cdsItemAmostra->cancel();
    cdsAmostraProc->cancelUpdates(); // settles on the first sample and reloads its items
    esvaziaErros();
    diario_->WriteNow();
    return true;
}

} // namespace Cli_est25000
