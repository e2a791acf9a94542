// The item grid: the generated products of the sample, their checks, the single principal
// item, deleting an item and the Check command.
#include <est25000/Cli_est25000.h>

#include <est25000/Cli_est25200.h>

#include <dataset/ClientDataSet.h>
#include <dataset/DataSource.h>
#include <dataset/FormatFloat.h>
#include <host/controls/Buttonflat.h>
#include <host/core/Exceptions.h>
#include <host/database/Adoibquery.h>
#include <host/database/Qrddlgs.h>
#include <host/dbcontrols/DBGrid.h>
#include <host/dbcontrols/GridText.h>
#include <host/forms/Dialogs.h>
#include <host/library/Lib00210.h>
#include <host/library/MensErro.h>
#include <host/library/Picture.h>
#include <host/library/Quorvan.h>
#include <host/library/Qvn_msg.h>
#include <host/remote/Netconnection.h>
#include <host/search/Pesquisa.h>

#include <QApplication>
#include <QJsonArray>

namespace Cli_est25000 {

using dataset::DataSetState;

namespace {

const QString kCdArvProd = QStringLiteral("CDARVPROD");
const QString kQtProdGerado = QStringLiteral("QTPRODGERADO");
const QString kIdProdPrinc = QStringLiteral("IDPRODPRINC");

bool editando(const dataset::ClientDataSet* ds) {
    return ds->state() == DataSetState::Edit || ds->state() == DataSetState::Insert;
}

QString texto(const dataset::ClientDataSet* ds, const QString& campo) {
    return ds->fieldByName(campo)->asString();
}

} // namespace

void TfrmAmostraProc::ligaItens() {
    host::TDBGrid* grade = dbgItensAmostra;
    grade->OnEnter = [this](QObject* s) { dbgItensAmostraEnter(s); };
    grade->OnExit = [this](QObject* s) { dbgItensAmostraExit(s); };
    grade->OnColEnter = [this](QObject* s) { dbgItensAmostraColEnter(s); };
    grade->OnColExit = [this](QObject* s) { dbgItensAmostraColExit(s); };
    grade->OnEditButtonClick = [this](QObject* s) { dbgItensAmostraEditButtonClick(s); };
    grade->OnKeyDown = [this](QObject* s, int& k, host::TShiftState sh) {
        dbgItensAmostraKeyDown(s, k, sh);
    };
    grade->OnDrawColumnCell = [this](QObject* s, const QRect& r, int c, host::TColumn* col,
                                     host::TGridDrawState st) {
        dbgItensAmostraDrawColumnCell(s, r, c, col, st);
    };
    dtsItemAmostra->onStateChange = [this](dataset::DataSource&) {
        dtsItemAmostraStateChange(dtsItemAmostra);
    };
    cdsItemAmostra->beforeInsert = [this](dataset::ClientDataSet& d) {
        cdsItemAmostraBeforeInsert(d);
    };
    cdsItemAmostra->afterInsert = [this](dataset::ClientDataSet& d) {
        cdsItemAmostraAfterInsert(d);
    };
    cdsItemAmostra->afterEdit = [this](dataset::ClientDataSet& d) { cdsItemAmostraAfterEdit(d); };
    cdsItemAmostra->beforePost = [this](dataset::ClientDataSet& d) { cdsItemAmostraBeforePost(d); };
    cdsItemAmostra->afterPost = [this](dataset::ClientDataSet& d) { cdsItemAmostraAfterPost(d); };
    cdsItemAmostra->beforeDelete = [this](dataset::ClientDataSet& d) {
        cdsItemAmostraBeforeDelete(d);
    };
    qryProdItem->BeforeOpen = [this](TADOIBQuery& q) { qryProdItemBeforeOpen(q); };
    grade->OnRowMark = [this](int linha) { return marcaErroItem(linha); };
}

// An item the server's last answer has an error row for (matched on CDPRODUTO, as the error
// list is) is marked in the grid until the errors are emptied.
QString TfrmAmostraProc::marcaErroItem(int linha) const {
    if (!cdsErros_ || !cdsErros_->active() || cdsErros_->isEmpty())
        return QString();
    const QString produto =
        cdsItemAmostra
            ->valueAt(linha, cdsItemAmostra->fieldByName(QStringLiteral("CDPRODUTO"))->index())
            .toString();
    if (produto.isEmpty())
        return QString();
    const int objeto = cdsErros_->fieldByName(QStringLiteral("CDOBJETO"))->index();
    for (int erro = 0; erro < cdsErros_->rowCount(); ++erro)
        if (cdsErros_->valueAt(erro, objeto).toString().compare(produto, Qt::CaseInsensitive) == 0)
            return QStringLiteral("Item com erro: veja a lista de erros.");
    return QString();
}

// A cell editor open inside the grid counts as the grid.
bool TfrmAmostraProc::gradeItensFocada() const {
    QWidget* ativo = ActiveControl();
    return ativo && (ativo == dbgItensAmostra || dbgItensAmostra->isAncestorOf(ativo));
}

void TfrmAmostraProc::focaColunaItem(const QString& campo) {
    dbgItensAmostra->SetFocus();
    const int coluna = Consiste::IndiceCol(dbgItensAmostra, campo);
    if (coluna >= 0)
        dbgItensAmostra->SetSelectedIndex(coluna);
}

// The branch the sample is checked, searched and stored in (as its confirmation sets it): an
// invoice sample's is the invoice entry's, a stored sample keeps its own, a new stock sample
// takes the current one.
QString TfrmAmostraProc::filialAmostra() const {
    const QString filial = texto(cdsAmostraProc, QStringLiteral("CDFILIAL"));
    const bool daNota = !texto(cdsAmostraProc, QStringLiteral("NRLANCTONF")).trimmed().isEmpty();
    if (filial.isEmpty() || (!daNota && cdsAmostraProc->state() == DataSetState::Insert))
        return Quorvan::FiliProc();
    return filial;
}

// IDBLPRCOMEST of the branch parameters last loaded (empty before any invoice check).
QString TfrmAmostraProc::bloqueioFilial() const {
    if (!cdsParamFilial->active() || cdsParamFilial->isEmpty())
        return QString();
    return texto(cdsParamFilial, QStringLiteral("IDBLPRCOMEST"));
}

// --- Checks of the current item

void TfrmAmostraProc::Vd_ProdItem(bool final) {
    if (!editando(cdsItemAmostra))
        return;
    const QString codigo = texto(cdsItemAmostra, kCdArvProd);
    try {
        if (codigo.isEmpty()) {
            if (!final)
                return;
            Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Prod_inf")));
        }
        if (final && !gradeItensFocada())
            return;
        qryValidProdItem->Close();
        qryValidProdItem->ParamByName(QStringLiteral("P_CDPRODUTO"))->SetAsString(codigo);
        qryValidProdItem->Open();
        if (qryValidProdItem->IsEmpty())
            Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Prod_cad")));
        const auto achado = [this](const QString& campo) {
            return qryValidProdItem->FieldByName(campo)->asString();
        };
        const QString cdProduto = achado(QStringLiteral("CDPRODUTO"));
        estoquePadrao_.confere(netEstoque, filialAmostra(), cdProduto);
        if (texto(cdsAmostraProc, kCdArvProd) == achado(kCdArvProd))
            Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Prod_Amostra")));
        if (texto(cdsAmostraProc, QStringLiteral("SGUNIDADE")) !=
            achado(QStringLiteral("SGUNIDADE")))
            Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Prod_SG_amostra")));
        Lib00210::Validacao_Produto(filialAmostra(), achado(kCdArvProd), bloqueioFilial());
        for (const QString& campo : {QStringLiteral("CDPRODUTO"), kCdArvProd,
                                     QStringLiteral("NMPRODUTO"), QStringLiteral("SGUNIDADE")})
            cdsItemAmostra->fieldByName(campo)->setAsString(achado(campo));
    } catch (...) {
        focaColunaItem(kCdArvProd);
        throw;
    }
}

void TfrmAmostraProc::Vd_QuantItem(bool final) {
    const QString digitado = Consiste::GridText(dbgItensAmostra, kQtProdGerado, false);
    if (!editando(cdsItemAmostra))
        return;
    try {
        if (digitado.trimmed().isEmpty()) {
            if (!final)
                return;
            Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Quant_inf")));
        }
        if (final && !gradeItensFocada())
            return;
        const std::optional<double> quantidade =
            dataset::parseFloat(digitado, dataset::FormatSettings::decimalSeparator(), QChar());
        if (!quantidade)
            Consiste::MensErro(
                QStringLiteral("'%1' não é um valor numérico válido.").arg(digitado));
        if (*quantidade <= 0)
            Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Quant_menor")));
        cdsItemAmostra->fieldByName(kQtProdGerado)->setAsFloat(*quantidade);
    } catch (...) {
        focaColunaItem(kQtProdGerado);
        throw;
    }
}

// --- The item dataset's events

void TfrmAmostraProc::cdsItemAmostraBeforePost(dataset::ClientDataSet&) {
    Vd_ProdItem(true);
    Vd_QuantItem(true);
    if (!boLoop)
        stProdPrinc = texto(cdsItemAmostra, kIdProdPrinc) == QLatin1String("S")
                          ? texto(cdsItemAmostra, kCdArvProd)
                          : QString();
}

// A principal item posted clears the flag of every item of another product. Each post here
// runs this again from the first item, until no other product keeps the flag.
void TfrmAmostraProc::cdsItemAmostraAfterPost(dataset::ClientDataSet&) {
    if (stProdPrinc.isEmpty())
        return;
    boLoop = true;
    cdsItemAmostra->disableControls();
    try {
        cdsItemAmostra->first();
        while (!cdsItemAmostra->eof()) {
            if (texto(cdsItemAmostra, kCdArvProd) != stProdPrinc &&
                texto(cdsItemAmostra, kIdProdPrinc) == QLatin1String("S")) {
                cdsItemAmostra->edit();
                cdsItemAmostra->fieldByName(kIdProdPrinc)->setAsString(QStringLiteral("N"));
                cdsItemAmostra->post();
            }
            cdsItemAmostra->next();
        }
        cdsItemAmostra->first();
    } catch (...) {
        boLoop = false;
        cdsItemAmostra->enableControls();
        throw;
    }
    cdsItemAmostra->enableControls();
    boLoop = false;
}

void TfrmAmostraProc::cdsItemAmostraBeforeInsert(dataset::ClientDataSet&) {
    focaColunaItem(kCdArvProd);
}

void TfrmAmostraProc::cdsItemAmostraAfterInsert(dataset::ClientDataSet&) {
    if (cdsAmostraProc->state() == DataSetState::Browse)
        cdsAmostraProc->edit();
    cdsItemAmostra->fieldByName(QStringLiteral("NRAMOSTRA"))
        ->setAsString(texto(cdsAmostraProc, QStringLiteral("NRAMOSTRA")));
}

void TfrmAmostraProc::cdsItemAmostraAfterEdit(dataset::ClientDataSet&) {
    if (!editando(cdsAmostraProc))
        cdsAmostraProc->edit();
}

void TfrmAmostraProc::cdsItemAmostraBeforeDelete(dataset::ClientDataSet&) {
    if (boDelAmostra)
        return;
    if (host::MessageDlg(msgPadrao->Msg(QStringLiteral("Exc_Item")),
                         host::TMsgDlgType::mtConfirmation, host::mbYesNo, 0,
                         host::mbNo) != host::mrYes)
        throw host::EAbort();
    if (!editando(cdsAmostraProc))
        cdsAmostraProc->edit();
}

void TfrmAmostraProc::dtsItemAmostraStateChange(QObject*) {
    dbgItensAmostra->Columns(Consiste::IndiceCol(dbgItensAmostra, kCdArvProd))
        ->SetButtonStyle(editando(cdsItemAmostra) ? host::TColumnButtonStyle::cbsEllipsis
                                                  : host::TColumnButtonStyle::cbsNone);
}

// --- The grid's events

void TfrmAmostraProc::dbgItensAmostraEnter(QObject*) {
    if (cdsItemAmostra->isEmpty() &&
        (dtsPadrao->state() == DataSetState::Edit || dtsPadrao->state() == DataSetState::Insert))
        cdsItemAmostra->insert();
    focaColunaItem(kCdArvProd);
}

// The focus is already on the control entered: the post checks only for empty values.
void TfrmAmostraProc::dbgItensAmostraExit(QObject*) {
    if (editando(cdsItemAmostra))
        cdsItemAmostra->post();
}

void TfrmAmostraProc::dbgItensAmostraColEnter(QObject*) {
    host::TColumn* coluna = dbgItensAmostra->SelectedColumn();
    if (cdsItemAmostra->state() == DataSetState::Insert && coluna &&
        coluna->FieldName() != kCdArvProd && cdsItemAmostra->fieldByName(kCdArvProd)->isNull())
        dbgItensAmostra->SetSelectedIndex(Consiste::IndiceCol(dbgItensAmostra, kCdArvProd));
}

void TfrmAmostraProc::dbgItensAmostraColExit(QObject*) {
    host::TColumn* coluna = dbgItensAmostra->SelectedColumn();
    if (!coluna)
        return;
    if (coluna->FieldName() == kCdArvProd)
        Vd_ProdItem(false);
    else if (coluna->FieldName() == kQtProdGerado)
        Vd_QuantItem(false);
}

void TfrmAmostraProc::dbgItensAmostraEditButtonClick(QObject*) {
    host::TColumn* coluna = dbgItensAmostra->SelectedColumn();
    if (cdsItemAmostra->state() != DataSetState::Insert || !coluna ||
        coluna->FieldName() != kCdArvProd)
        return;
    const QString nota =
        Lib00210::SQL_Pesquisa_Produto(filialAmostra(), bloqueioFilial(), qryProdItem, true);
    try {
        qryProdItem->Close();
        qryProdItem->Open();
        if (Pesquisa::Pesquisar_Plus(
                dtsProdItem, msgPadrao->Msg(QStringLiteral("Produto")) + QLatin1Char('|') + nota,
                false, true)) {
            for (const QString& campo : {kCdArvProd, QStringLiteral("CDPRODUTO"),
                                         QStringLiteral("NMPRODUTO"), QStringLiteral("SGUNIDADE")})
                cdsItemAmostra->fieldByName(campo)->setAsString(
                    qryProdItem->FieldByName(campo)->asString());
        }
    } catch (...) {
        qryProdItem->Query()
            ->fieldByName(kCdArvProd)
            ->setEditMask(Quorvan::DBPict(Quorvan::tpProduto));
        throw;
    }
    qryProdItem->Query()->fieldByName(kCdArvProd)->setEditMask(Quorvan::DBPict(Quorvan::tpProduto));
}

void TfrmAmostraProc::qryProdItemBeforeOpen(TADOIBQuery& Sender) {
    if (ExistParam(Sender.GetIBParams(), QStringLiteral("P_CDNVPRODUTO")))
        Sender.ParamByName(QStringLiteral("P_CDNVPRODUTO"))
            ->SetAsString(QString::number(Quorvan::DBPictObj(Quorvan::tpProduto)->GetTtNiveis()));
    if (ExistParam(Sender.GetIBParams(), QStringLiteral("P_CDFILIAL")))
        Sender.ParamByName(QStringLiteral("P_CDFILIAL"))->SetAsString(filialAmostra());
}

// Space toggles the principal flag (never typed as text) and opens the editor elsewhere.
void TfrmAmostraProc::dbgItensAmostraKeyDown(QObject*, int& Key, host::TShiftState) {
    // The grid itself, not a cell editor open in it (there Space is typed).
    QWidget* foco = QApplication::focusWidget();
    if (Key != 32 || !foco || foco->objectName() != QLatin1String("dbgItensAmostra"))
        return;
    host::TColumn* coluna = dbgItensAmostra->SelectedColumn();
    if (coluna && coluna->FieldName() == kIdProdPrinc) {
        dbgItensAmostra->SetEditorMode(false);
        if (cdsItemAmostra->state() == DataSetState::Browse)
            cdsItemAmostra->edit();
        dataset::Field* principal = cdsItemAmostra->fieldByName(kIdProdPrinc);
        principal->setAsString(principal->asString() == QLatin1String("S") ? QStringLiteral("N")
                                                                           : QStringLiteral("S"));
    } else {
        dbgItensAmostra->SetEditorMode(true);
    }
    Key = 0;
}

// The quantity right-aligned 2 pixels from the cell's edge, with the user's separators.
void TfrmAmostraProc::dbgItensAmostraDrawColumnCell(QObject*, const QRect& Rect, int,
                                                    host::TColumn* Column, host::TGridDrawState) {
    if (!Column || Column->FieldName() != kQtProdGerado)
        return;
    dataset::Field* campo = Column->Field();
    const QVariant valor =
        campo ? cdsItemAmostra->valueAt(dbgItensAmostra->DrawingRow(), campo->index()) : QVariant();
    if (valor.isNull())
        return;
    host::TCanvas* canvas = dbgItensAmostra->Canvas();
    const QString numero = dataset::formatFloat(QStringLiteral("#,##0.000"), valor.toDouble());
    canvas->FillRect(Rect);
    canvas->TextOut(Rect.left() + Column->Width() - canvas->TextWidth(numero) - 2, Rect.top() + 2,
                    numero);
}

// Reloads the list with the last criteria and the items of the sample then current.
void TfrmAmostraProc::sbtVerificarClick(QObject*) {
    if (!DescartaAlteracoes())
        return;
    Cli_est25200::frmFiltroAmostraProc->sbtConfirma->Click();
    cdsItemAmostra->setDataJson(
        netAmostraProc->Call(QStringLiteral("GetItemAmostra"), argumentosItens()));
}

} // namespace Cli_est25000
