// Unit Cli_est25100: the error list dialog's variables, factory and form.
#include <est25000/Cli_est25100.h>

#include <est25000/Cli_est25000.h>
#include <est25000/CursorEspera.h>
#include <est25000/Mensagens.h>

#include <dataset/ClientDataSet.h>
#include <host/controls/StdControls.h>
#include <host/forms/Application.h>
#include <host/forms/Screen.h>
#include <host/library/Qvn_msg.h>

namespace Cli_est25100 {

constinit TfrmVisualErros* frmVisualErros = nullptr;
constinit bool boIdCriado = false;
constinit QString stCdProduto;

void Initialization() {
    boIdCriado = false;
}

void Finalization() {
    stCdProduto.clear();
}

void CriaVisualizaErros(const QString& cdProduto) {
    est25000::CursorEspera cursor;
    stCdProduto = cdProduto;
    if (!boIdCriado) {
        host::Application->CreateForm(frmVisualErros);
        boIdCriado = true;
    }
    frmVisualErros->ShowModal();
}

TfrmVisualErros::TfrmVisualErros() {
    setObjectName(QStringLiteral("frmVisualErros"));
    SetCaption(QStringLiteral("Visualização dos Erros"));
    SetBorderStyle(host::TBorderStyle::bsDialog);
    SetBorderIcons(host::biSystemMenu);
    SetClientSize(466, 134);
    SetPosition(host::TPosition::poMainFormCenter);
    Panel1 = new host::TPanel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->SetAlign(host::TAlign::alClient);
    lsbErros = new host::TListBox(Panel1);
    lsbErros->setObjectName(QStringLiteral("lsbErros"));
    host::SetAlign(lsbErros, host::TAlign::alClient);
    lsbErros->SetItemHeight(13);
    msgPadrao = new host::TMessages(this, QStringLiteral("msgPadrao"));
    msgPadrao->setObjectName(QStringLiteral("msgPadrao"));
    msgPadrao->Strings = est25000::mensagensVisualErros();
}

TfrmVisualErros::~TfrmVisualErros() {
    if (frmVisualErros == this)
        frmVisualErros = nullptr;
}

// Lists, in the order of the screen's error rows, the readable text of each row of the
// product's errors; codes other than the three item codes give no line.
void TfrmVisualErros::FormActivate(QObject* Sender) {
    host::TForm::FormActivate(Sender);
    lsbErros->Clear();
    dataset::ClientDataSet* erros =
        Cli_est25000::frmAmostraProc ? Cli_est25000::frmAmostraProc->cdsErros() : nullptr;
    if (!erros || !erros->active())
        return;
    const QList<QPair<QString, QString>> textos{
        {QStringLiteral("EST25000_1"), QStringLiteral("Prod_inativo")},
        {QStringLiteral("EST25000_2"), QStringLiteral("Prod_NEst")},
        {QStringLiteral("EST25000_3"), QStringLiteral("Prod_Cad")},
    };
    for (erros->first(); !erros->eof(); erros->next()) {
        if (erros->fieldByName(QStringLiteral("CDOBJETO"))->asString() != stCdProduto)
            continue;
        const QString codigo = erros->fieldByName(QStringLiteral("CDERRO"))->asString();
        for (const auto& [erro, chave] : textos) {
            if (codigo == erro) {
                lsbErros->Add(msgPadrao->Msg(chave));
                break;
            }
        }
    }
}

void TfrmVisualErros::FormClose(QObject* Sender, host::TCloseAction& Action) {
    host::TForm::FormClose(Sender, Action);
    boIdCriado = false;
    Release();
}

} // namespace Cli_est25100
