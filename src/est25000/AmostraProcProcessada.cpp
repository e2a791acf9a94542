// A processed sample (its stock already moved by processing) shown as such: a notice on the
// form, and its product, quantity, invoice and items read-only. Only the description may
// change; the server refuses anything else, and Delete asks and is refused by it as always.
#include <est25000/Cli_est25000.h>

#include <dataset/ClientDataSet.h>
#include <dataset/DataSource.h>
#include <host/controls/StdControls.h>
#include <host/dbcontrols/DBControls.h>
#include <host/dbcontrols/DBGrid.h>
#include <host/search/Btnpesquisa.h>

namespace Cli_est25000 {

void TfrmAmostraProc::ligaProcessada() {
    lblProcessada = new host::TLabel(grbItensAmostra);
    lblProcessada->setObjectName(QStringLiteral("lblProcessada"));
    lblProcessada->SetAutoSize(false);
    lblProcessada->SetBold(true);
    lblProcessada->SetBounds(80, 0, 300, 14);
    dataset::Field* processada = cdsAmostraProc->fieldByName(QStringLiteral("IDPROCESSADO"));
    processada->onGetText = [](dataset::Field& campo, QString& texto, bool) {
        texto =
            campo.asString() == QLatin1String("S") ? QStringLiteral("Sim") : QStringLiteral("Não");
    };
    for (auto sinal : {&dataset::DataSource::scrolled, &dataset::DataSource::stateChanged,
                       &dataset::DataSource::dataChanged})
        connect(dtsPadrao, sinal, this, [this] { mostraProcessada(); });
    mostraProcessada();
}

bool TfrmAmostraProc::AmostraProcessada() const {
    return cdsAmostraProc->state() != dataset::DataSetState::Insert && !cdsAmostraProc->isEmpty() &&
           cdsAmostraProc->fieldByName(QStringLiteral("IDPROCESSADO"))->asString() ==
               QLatin1String("S");
}

void TfrmAmostraProc::mostraProcessada() {
    const bool processada = AmostraProcessada();
    lblProcessada->SetCaption(
        processada ? QStringLiteral("Amostra processada: só a descrição pode ser alterada.")
                   : QString());
    lblProcessada->setVisible(processada);
    for (host::TDBEdit* edit :
         {dbeNrInscForn, dbeCdSerie, dbeNrNotaFisc, dbeCdProduto, dbeQuantProd})
        edit->SetReadOnly(processada);
    for (host::TBtnPesquisa* botao : {btpFornecedor, btpSerie, btpNrNf, btpProduto})
        botao->setEnabled(!processada);
    dbgItensAmostra->SetReadOnly(processada);
}

} // namespace Cli_est25000
