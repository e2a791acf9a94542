// The journal of the sample being typed: while a sample or its items hold changes the server
// has not stored, they go to a file in the user's data folder (host::ChangeJournal) at each
// post and at most every two seconds while the data changes, with the idempotency key of a
// confirmation whose answer never came. At the next opening of the screen an unfinished
// journal is offered back ("Recuperar a amostra não confirmada?"); one whose key the server
// has stored is dropped without a question. A confirmed or cancelled sample leaves no journal.
#include <est25000/Cli_est25000.h>

#include <dataset/ClientDataSet.h>
#include <dataset/DataSource.h>
#include <host/controls/ComCtrls.h>
#include <host/controls/Menus.h>
#include <host/dbcontrols/DBControls.h>
#include <host/forms/Dialogs.h>
#include <host/remote/ChangeJournal.h>
#include <host/remote/Netconnection.h>

#include <QApplication>
#include <QDateTime>
#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>

#include <array>
#include <utility>

namespace Cli_est25000 {

namespace {

using dataset::DataSetState;

const QString kAmostra = QStringLiteral("amostra");
const QString kItens = QStringLiteral("itens");
const QString kChave = QStringLiteral("chave");
const QString kArgumentos = QStringLiteral("argumentos");
// The text typed in a header edit and not yet written to its field (the edit not left).
const QString kDigitando = QStringLiteral("digitando");
const QString kCampo = QStringLiteral("campo");
const QString kTexto = QStringLiteral("texto");

bool editando(const dataset::ClientDataSet& ds) {
    return ds.state() == DataSetState::Edit || ds.state() == DataSetState::Insert;
}

} // namespace

const QString TfrmAmostraProc::kPerguntaRecuperar =
    QStringLiteral("Recuperar a amostra não confirmada?");

void TfrmAmostraProc::ligaDiario() {
    diario_ = new host::ChangeJournal(
        QStringLiteral("est25000-amostra"),
        [this] {
            QJsonObject conteudo = conteudoDiario();
            // The key pending work is to be confirmed under is chosen with its first journal,
            // so that the Confirm finds it on disk and calls the server without writing first.
            if (!conteudo.isEmpty() && chaveGravacao_.isEmpty()) {
                chaveGravacao_ = QUuid::createUuid().toString(QUuid::WithoutBraces);
                conteudo.insert(kChave, chaveGravacao_);
            }
            return conteudo;
        },
        this);
    for (dataset::DataSource* fonte : {dtsPadrao, dtsItemAmostra}) {
        // A post (or a cancel) is written at once; typing, at most every interval.
        connect(fonte, &dataset::DataSource::stateChanged, diario_, [this, fonte] {
            if (fonte->dataSet() && editando(*fonte->dataSet()))
                diario_->WriteSoon();
            else
                diario_->WriteNow();
        });
        connect(fonte, &dataset::DataSource::dataChanged, diario_,
                [this] { diario_->WriteSoon(); });
        connect(fonte, &dataset::DataSource::recordChanged, diario_,
                [this](dataset::Field*) { diario_->WriteSoon(); });
    }
    // A header edit writes its field only when left: what is typed in it counts as typing.
    for (host::TDBEdit* edit : findChildren<host::TDBEdit*>())
        if (edit->DataSource() == dtsPadrao)
            connect(edit, &QLineEdit::textEdited, diario_, [this] { diario_->WriteSoon(); });
}

// Whether the journal on disk holds the key the next confirmation goes under.
bool TfrmAmostraProc::chaveNoDiario() const {
    return !chaveGravacao_.isEmpty() &&
           diario_->Written().value(kChave).toString() == chaveGravacao_;
}

// The header edit with text typed and not yet written to its field, if the focus is in one.
host::TDBEdit* TfrmAmostraProc::edicaoPendente() const {
    auto* edit = qobject_cast<host::TDBEdit*>(QApplication::focusWidget());
    return edit && edit->DataSource() == dtsPadrao && edit->Modified() && isAncestorOf(edit)
               ? edit
               : nullptr;
}

QJsonObject TfrmAmostraProc::conteudoDiario() const {
    if (!cdsAmostraProc->active() || !cdsItemAmostra->active())
        return {};
    const bool pendente = editando(*cdsAmostraProc) || editando(*cdsItemAmostra) ||
                          cdsAmostraProc->changeCount() > 0 || cdsItemAmostra->changeCount() > 0;
    if (!pendente)
        return {};
    QJsonObject conteudo{
        {kAmostra, cdsAmostraProc->pendingWork()},
        {kItens, cdsItemAmostra->pendingWork()},
        {kChave, chaveGravacao_},
        {kArgumentos, QJsonDocument::fromJson(gravacaoSemResposta_).array()},
        {QStringLiteral("gravadoEm"), QDateTime::currentDateTimeUtc().toString(Qt::ISODate)}};
    if (const host::TDBEdit* edit = edicaoPendente())
        conteudo.insert(kDigitando,
                        QJsonObject{{kCampo, edit->DataField()}, {kTexto, edit->text()}});
    return conteudo;
}

// Whether the server stored a confirmation under the key. Unknown (the server unreachable):
// not stored, so the journal is offered and a repeated Confirm goes under the same key.
bool TfrmAmostraProc::chaveGravada(const QString& chave) {
    try {
        return !netAmostraProc->Call(QStringLiteral("GetConfirmacao"), QJsonArray{chave})
                    .toString()
                    .isEmpty();
    } catch (const std::exception& e) {
        qWarning() << "diário: a chave não pôde ser consultada:" << e.what();
        return false;
    }
}

void TfrmAmostraProc::ofereceRecuperacao() {
    const std::optional<QJsonObject> diario = diario_->Read();
    if (diario) {
        const QString chave = diario->value(kChave).toString();
        if (!chave.isEmpty() && chaveGravada(chave))
            diario_->Discard(); // stored before the desktop ended: nothing to recover
        else if (host::MessageDlg(kPerguntaRecuperar, host::TMsgDlgType::mtConfirmation,
                                  host::mbYesNo, 0) == host::mrYes)
            restauraDiario(*diario);
        else
            diario_->Discard();
    }
    diario_->SetEnabled(true);
    if (diario)
        diario_->WriteNow();
}

void TfrmAmostraProc::restauraDiario(const QJsonObject& diario) {
    if (!cdsAmostraProc->active())
        cdsAmostraProc->createDataSet();
    {
        // The header edits show the restored values; what their change handlers clear on a
        // typed change (name and unit of the product, the invoice of a series or supplier)
        // was restored with them and stays.
        const std::array edits{dbeNrInscForn, dbeCdSerie, dbeCdProduto};
        std::array<decltype(dbeCdProduto->OnChange), edits.size()> handlers;
        for (size_t i = 0; i < edits.size(); ++i)
            handlers[i] = std::exchange(edits[i]->OnChange, nullptr);
        cdsAmostraProc->restorePendingWork(diario.value(kAmostra).toObject());
        for (size_t i = 0; i < edits.size(); ++i)
            edits[i]->OnChange = handlers[i];
    }
    // The sample's move loaded its stored items; what was typed goes over them.
    if (!cdsItemAmostra->active())
        cdsItemAmostra->createDataSet();
    cdsItemAmostra->restorePendingWork(diario.value(kItens).toObject());
    chaveGravacao_ = diario.value(kChave).toString();
    const QJsonArray argumentos = diario.value(kArgumentos).toArray();
    gravacaoSemResposta_ = argumentos.isEmpty()
                               ? QByteArray()
                               : QJsonDocument(argumentos).toJson(QJsonDocument::Compact);
    tshFormulario->SetEnabled(true);
    mnuFormulario->SetEnabled(true);
    tshFolhaDados->SetEnabled(true);
    mnuFolhaDados->SetEnabled(true);
    pgcPadrao->setEnabled(true);
    ShowPage(tshFormulario);
    // Back in the edit that was being typed, its text as it was, still to be checked on exit.
    const QJsonObject digitando = diario.value(kDigitando).toObject();
    for (host::TDBEdit* edit : findChildren<host::TDBEdit*>())
        if (!digitando.isEmpty() && edit->DataSource() == dtsPadrao &&
            edit->DataField() == digitando.value(kCampo).toString() && edit->isEnabled()) {
            edit->SetFocus();
            edit->selectAll();
            edit->insert(digitando.value(kTexto).toString()); // the cursor after it
            break;
        }
}

} // namespace Cli_est25000
