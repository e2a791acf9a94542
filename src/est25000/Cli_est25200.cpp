// Unit Cli_est25200: the filter dialog, its factory and the unit's variables.
#include <est25000/Cli_est25200.h>

#include <est25000/Campos.h>
#include <est25000/Cli_est25000.h>
#include <est25000/Consultas.h>
#include <est25000/CursorEspera.h>
#include <est25000/FiltroArgumentos.h>
#include <est25000/MascaraProduto.h>
#include <est25000/Mensagens.h>

#include <dataset/ClientDataSet.h>
#include <dataset/DataPacket.h>
#include <dataset/DataSource.h>
#include <dataset/EditMask.h>
#include <host/controls/Buttonflat.h>
#include <host/controls/MaskEdit.h>
#include <host/controls/StdControls.h>
#include <host/database/Adoibquery.h>
#include <host/forms/Application.h>
#include <host/forms/Screen.h>
#include <host/library/Consiste.h>
#include <host/library/MensErro.h>
#include <host/library/Picture.h>
#include <host/library/Quorvan.h>
#include <host/library/Qvn_msg.h>
#include <host/remote/CheckResultServ.h>
#include <host/remote/Netconnection.h>
#include <host/search/Btnpesquisa.h>

#include <QJsonArray>
#include <QJsonObject>

namespace Cli_est25200 {

constinit TfrmFiltroAmostraProc* frmFiltroAmostraProc = nullptr;

namespace {
// The product-code picture of the dialog, built again by each dialog's creation.
std::unique_ptr<TDBPicture> dbpProduto;
} // namespace
// Its number of levels as decimal text.
constinit QString stTtNiveis;

void Initialization() {}

void Finalization() {
    stTtNiveis.clear();
}

void CriaFiltroAmostraProc() {
    est25000::CursorEspera cursor;
    if (!frmFiltroAmostraProc)
        host::Application->CreateForm(frmFiltroAmostraProc);
    cursor.restaura();
    frmFiltroAmostraProc->ShowModal();
}

namespace {

// The confirm's view of the dialog's fields.
class CriteriosDoDialogo : public CriteriosFiltro {
public:
    explicit CriteriosDoDialogo(TfrmFiltroAmostraProc& form) : form_(form) {}

    host::TMaskEdit* campo(CampoFiltro campo) const {
        switch (campo) {
        case CampoFiltro::InterInic:
            return form_.medInterInic;
        case CampoFiltro::InterFinal:
            return form_.medInterFinal;
        case CampoFiltro::Fornecedor:
            return form_.medFornecedor;
        case CampoFiltro::ProdInic:
            return form_.medProdInic;
        case CampoFiltro::ProdFim:
            break;
        }
        return form_.medProdFim;
    }
    QString texto(CampoFiltro c) const override { return campo(c)->Text(); }
    void setTexto(CampoFiltro c, const QString& texto) override { campo(c)->SetText(texto); }
    void validaFornecedor() override { form_.Vd_Fornecedor(form_.medFornecedor->Text()); }
    void validaProduto(CampoFiltro c) override {
        if (c == CampoFiltro::ProdInic)
            form_.Vd_Produto(form_.medProdInic, form_.edtProdInic);
        else
            form_.Vd_Produto(form_.medProdFim, form_.edtProdFinal);
    }

private:
    TfrmFiltroAmostraProc& form_;
};

} // namespace

TfrmFiltroAmostraProc::TfrmFiltroAmostraProc(QWidget* owner) : host::TfrmRotiGeral(owner) {
    criaComponentes();
}

TfrmFiltroAmostraProc::~TfrmFiltroAmostraProc() {
    if (frmFiltroAmostraProc == this)
        frmFiltroAmostraProc = nullptr;
}

void TfrmFiltroAmostraProc::FormCreate(QObject* Sender) {
    host::TfrmRotiGeral::FormCreate(Sender);
    medProdInic->SetEditMask(est25000::mascaraProduto());
    medProdFim->SetEditMask(est25000::mascaraProduto());
    dbpProduto = std::make_unique<TDBPicture>(Quorvan::DBPict(Quorvan::tpProduto));
    stTtNiveis = QString::number(dbpProduto->GetTtNiveis());
}

void TfrmFiltroAmostraProc::FormActivate(QObject* Sender) {
    host::TfrmRotiGeral::FormActivate(Sender);
    repaint();
}

void TfrmFiltroAmostraProc::FormClose(QObject* Sender, host::TCloseAction& Action) {
    host::TfrmRotiGeral::FormClose(Sender, Action);
    Action = host::TCloseAction::caHide;
}

void TfrmFiltroAmostraProc::focaSeVisivel(host::TMaskEdit* campo) {
    // Re-applied from the screen, the dialog is hidden and its fields cannot take the focus;
    // the message still reaches the user.
    if (Modal() || isVisible())
        campo->SetFocus();
}

void TfrmFiltroAmostraProc::sbtConfirmaClick(QObject* Sender) {
    CriteriosDoDialogo criterios(*this);
    QStringList args;
    try {
        args = argumentosGetAmostraProc(criterios, dbpProduto->TamAcNivel(stTtNiveis));
    } catch (const RecusaFiltro& recusa) {
        focaSeVisivel(criterios.campo(recusa.campo));
        Consiste::MensErro(msgPadrao->Msg(recusa.chave), true);
    }

    auto* tela = Cli_est25000::frmAmostraProc;
    if (Sender && tela) {
        // The list can be long: its packet is read from the answer's text in one pass.
        const QByteArray resposta = tela->netAmostraProc->CallText(
            QStringLiteral("GetAmostraProc"), QJsonArray::fromStringList(args));
        QString marca;
        listaLida_ = nullptr;
        tela->cdsAmostraProc->setDataJsonText(
            Consiste::CheckResultServText(resposta, true, 0, &marca));
        listaLida_ = tela->cdsAmostraProc;
        argsLidos_ = args;
        marcaLida_ = marca;
    }
    if (tela)
        tela->repaint();
    Close();
}

bool TfrmFiltroAmostraProc::atualizaLista(const QString& nrAmostra) {
    auto* tela = Cli_est25000::frmAmostraProc;
    if (tela && listaLida_ == tela->cdsAmostraProc && !marcaLida_.isEmpty()) {
        CriteriosDoDialogo criterios(*this);
        QStringList args;
        try {
            args = argumentosGetAmostraProc(criterios, dbpProduto->TamAcNivel(stTtNiveis));
        } catch (const RecusaFiltro&) {
            // Refused criteria: the whole reload below tells the user, as it always did.
        }
        try {
            bool listada = false;
            if (!args.isEmpty() && args == argsLidos_ && aplicaAlteradas(args, nrAmostra, listada))
                return listada;
        } catch (...) {
            // The whole list below says what went wrong, if anything still does.
        }
    }
    sbtConfirma->Click();
    return tela && tela->cdsAmostraProc->locate(QStringLiteral("NRAMOSTRA"), nrAmostra, true);
}

// The samples changed since the mark, applied to the list in place; false when the server
// can no longer tell them (the list is to be read whole).
bool TfrmFiltroAmostraProc::aplicaAlteradas(const QStringList& args, const QString& nrAmostra,
                                            bool& listada) {
    auto* tela = Cli_est25000::frmAmostraProc;
    // A read: the items the confirmation asked for on the same connection keep coming.
    const QJsonObject resposta =
        tela->netAmostraProc
            ->CallBesidePending(QStringLiteral("GetAmostraProcAlteradas"),
                                QJsonArray::fromStringList(QStringList(args) << marcaLida_))
            .toObject();
    const QString marca = resposta.value(QStringLiteral("marca")).toString();
    if (resposta.value(QStringLiteral("recarregar")).toBool() || marca.isEmpty())
        return false;
    const dataset::DataPacket linhas =
        dataset::dataPacketFromJson(Consiste::CheckResultServ(resposta, true, 0));
    QStringList removidas;
    for (const QJsonValue& nr : resposta.value(QStringLiteral("removidas")).toArray())
        removidas << nr.toString();
    listaLida_ = nullptr;
    listada =
        tela->cdsAmostraProc->mergeRows(QStringLiteral("NRAMOSTRA"), linhas, removidas, nrAmostra);
    listaLida_ = tela->cdsAmostraProc;
    marcaLida_ = marca;
    // The grid repaints the rows that changed once the confirmation gives the controls back
    // the list (at the event loop's next pass): a repaint now would paint them twice.
    return true;
}

void TfrmFiltroAmostraProc::sbtDesfazerClick(QObject*) {
    medInterInic->SetText(QString());
    medInterFinal->SetText(QString());
    medFornecedor->SetText(QString());
    medProdInic->SetText(QString());
    medProdFim->SetText(QString());
}

void TfrmFiltroAmostraProc::medInterInicExit(QObject*) {
    medInterInic->SetText(Consiste::Ajusta(medInterInic->Text(), 10));
}

void TfrmFiltroAmostraProc::medInterFinalExit(QObject*) {
    medInterFinal->SetText(Consiste::Ajusta(medInterFinal->Text(), 10));
}

void TfrmFiltroAmostraProc::medFornecedorExit(QObject*) {
    Vd_Fornecedor(medFornecedor->Text());
}

void TfrmFiltroAmostraProc::medProdInicExit(QObject*) {
    Vd_Produto(medProdInic, edtProdInic);
}

void TfrmFiltroAmostraProc::medProdFimExit(QObject*) {
    Vd_Produto(medProdFim, edtProdFinal);
}

void TfrmFiltroAmostraProc::medFornecedorChange(QObject*) {
    edtNmFornecedor->SetText(QString());
}

void TfrmFiltroAmostraProc::medFornecedorEnter(QObject*) {
    if (medFornecedor->EditMask() == mascaraDigitacaoFornecedor())
        return;
    // The number and its supplier's name stay; only the picture goes.
    const QString nome = edtNmFornecedor->Text();
    medFornecedor->SetEditMask(mascaraDigitacaoFornecedor());
    edtNmFornecedor->SetText(nome);
    medFornecedor->SelectAll();
}

void TfrmFiltroAmostraProc::medProdInicChange(QObject*) {
    edtProdInic->SetText(QString());
}

void TfrmFiltroAmostraProc::medProdFimChange(QObject*) {
    edtProdFinal->SetText(QString());
}

void TfrmFiltroAmostraProc::Vd_Fornecedor(const QString& nrInscricao) {
    if (Consiste::EmptyString(nrInscricao))
        return;
    try {
        QString copia = nrInscricao;
        const QString tipo = Consiste::Ajusta_Inscricao(copia);
        medFornecedor->SetEditMask(Consiste::PictPess(tipo));
        medFornecedor->SetText(copia);

        qryValidForn->Close();
        qryValidForn->ParamByName(QStringLiteral("P_NRINSJURFORN"))->SetAsString(nrInscricao);
        qryValidForn->Open();
        const bool achou = !qryValidForn->IsEmpty();
        medFornecedor->SetEditMask(Consiste::PictPess(
            achou ? qryValidForn->FieldByName(QStringLiteral("IDTPIJURFORN"))->asString()
                  : QString()));
        if (!achou)
            Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Forn_Cad")), true);
        edtNmFornecedor->SetText(
            qryValidForn->FieldByName(QStringLiteral("NMRAZSOCFORN"))->asString());
    } catch (...) {
        focaSeVisivel(medFornecedor);
        throw;
    }
}

void TfrmFiltroAmostraProc::Vd_Produto(host::TMaskEdit* codigo, host::TEdit* nome) {
    if (Consiste::EmptyString(codigo->Text()))
        return;
    try {
        qryValidProd->Close();
        qryValidProd->ParamByName(QStringLiteral("P_CDPRODUTO"))->SetAsString(codigo->Text());
        qryValidProd->Open();
        if (qryValidProd->IsEmpty())
            Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Prod_N_Cad")), true);
        nome->SetText(qryValidProd->FieldByName(QStringLiteral("NMPRODUTO"))->asString());
    } catch (...) {
        focaSeVisivel(codigo);
        throw;
    }
}

void TfrmFiltroAmostraProc::btnFornecedorBeforePesq(QObject*, bool&) {
    qryFornecedor->Close();
    qryFornecedor->Open();
}

void TfrmFiltroAmostraProc::btnFornecedorAfterPesq(QObject*) {
    dataset::ClientDataSet* rows = qryFornecedor->Query();
    // In the picture of the chosen supplier's type: a picture left by an earlier number (a
    // CPF's digits) would drop the letters of an alphanumeric CNPJ.
    medFornecedor->SetEditMask(
        Consiste::PictPess(rows->fieldByName(QStringLiteral("IDTPIJURFORN"))->asString()));
    medFornecedor->SetText(rows->fieldByName(QStringLiteral("NRINSJURFORN"))->asString());
    edtNmFornecedor->SetText(rows->fieldByName(QStringLiteral("NMRAZSOCFORN"))->asString());
}

void TfrmFiltroAmostraProc::btnProdIniBeforePesq(QObject*, bool&) {
    qryProduto->Close();
    qryProduto->Open();
    qryProduto->Query()
        ->fieldByName(QStringLiteral("CDARVPROD"))
        ->setEditMask(est25000::mascaraProduto());
}

void TfrmFiltroAmostraProc::btnProdIniAfterPesq(QObject*) {
    dataset::ClientDataSet* rows = qryProduto->Query();
    medProdInic->SetText(rows->fieldByName(QStringLiteral("CDARVPROD"))->asString());
    edtProdInic->SetText(rows->fieldByName(QStringLiteral("NMPRODUTO"))->asString());
}

void TfrmFiltroAmostraProc::btnProdFinalBeforePesq(QObject* Sender, bool& Continua) {
    btnProdIniBeforePesq(Sender, Continua);
}

void TfrmFiltroAmostraProc::btnProdFinalAfterPesq(QObject*) {
    dataset::ClientDataSet* rows = qryProduto->Query();
    medProdFim->SetText(rows->fieldByName(QStringLiteral("CDARVPROD"))->asString());
    edtProdFinal->SetText(rows->fieldByName(QStringLiteral("NMPRODUTO"))->asString());
}

} // namespace Cli_est25200
