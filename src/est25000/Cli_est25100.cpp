// Unit Cli_est25100: the error list dialog's variables, factory and form.
#include "Cli_est25100.h"

#include "CursorEspera.h"
#include "Mensagens.h"

#include <Application.h>
#include <Qvn_msg.h>
#include <Screen.h>
#include <StdControls.h>

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
    Panel1 = new host::TPanel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->SetAlign(host::TAlign::alClient);
    lsbErros = new host::TListBox(Panel1);
    lsbErros->setObjectName(QStringLiteral("lsbErros"));
    host::SetAlign(lsbErros, host::TAlign::alClient);
    msgPadrao = new host::TMessages(this, QStringLiteral("msgPadrao"));
    msgPadrao->setObjectName(QStringLiteral("msgPadrao"));
    msgPadrao->Strings = est25000::mensagensVisualErros();
}

TfrmVisualErros::~TfrmVisualErros() {
    if (frmVisualErros == this)
        frmVisualErros = nullptr;
}

void TfrmVisualErros::FormClose(QObject* Sender, host::TCloseAction& Action) {
    host::TForm::FormClose(Sender, Action);
    boIdCriado = false;
    Release();
}

} // namespace Cli_est25100
