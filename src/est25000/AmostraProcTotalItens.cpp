// The live total of the items beside the sample's quantity while a sample is edited, so that
// the item-total message at Confirm comes as no surprise. It changes no check.
#include "Cli_est25000.h"

#include <ClientDataSet.h>
#include <Consiste.h>
#include <DataSource.h>
#include <FormatFloat.h>
#include <StdControls.h>

namespace Cli_est25000 {

namespace {

QString quantidade(double valor) {
    return dataset::formatFloat(QStringLiteral("#,##0.000"), valor);
}

} // namespace

void TfrmAmostraProc::ligaTotalItens() {
    lblTotalItens = new host::TLabel(grbItensAmostra);
    lblTotalItens->setObjectName(QStringLiteral("lblTotalItens"));
    lblTotalItens->SetAutoSize(false);
    lblTotalItens->SetAlignment(host::TAlignment::taRightJustify);
    lblTotalItens->SetBounds(150, 0, 372, 14);
    // Every change of an item (typed, posted, added, removed, loaded) and of the sample's
    // quantity or state shows the total again.
    for (dataset::DataSource* fonte : {dtsItemAmostra, dtsPadrao}) {
        connect(fonte, &dataset::DataSource::dataChanged, this, [this] { mostraTotalItens(); });
        connect(fonte, &dataset::DataSource::stateChanged, this, [this] { mostraTotalItens(); });
        connect(fonte, &dataset::DataSource::scrolled, this, [this] { mostraTotalItens(); });
        connect(fonte, &dataset::DataSource::recordChanged, this,
                [this](dataset::Field*) { mostraTotalItens(); });
    }
    mostraTotalItens();
}

void TfrmAmostraProc::mostraTotalItens() {
    const dataset::DataSetState estado = cdsAmostraProc->state();
    if (estado != dataset::DataSetState::Edit && estado != dataset::DataSetState::Insert) {
        lblTotalItens->SetCaption(QString());
        return;
    }
    double soma = 0;
    if (cdsItemAmostra->active()) {
        const int coluna = cdsItemAmostra->fieldByName(QStringLiteral("QTPRODGERADO"))->index();
        for (int linha = 0; linha < cdsItemAmostra->rowCount(); ++linha)
            soma += cdsItemAmostra->valueAt(linha, coluna).toDouble();
    }
    const double itens = Consiste::RoundDec(soma, 3);
    const double amostra =
        Consiste::RoundDec(cdsAmostraProc->fieldByName(QStringLiteral("QTPRODPROC"))->asFloat(), 3);
    QString texto = QStringLiteral("Itens %1 de %2").arg(quantidade(itens), quantidade(amostra));
    const double diferenca = Consiste::RoundDec(amostra - itens, 3);
    if (diferenca > 0)
        texto += QStringLiteral(" — faltam %1").arg(quantidade(diferenca));
    else if (diferenca < 0)
        texto += QStringLiteral(" — sobram %1").arg(quantidade(-diferenca));
    lblTotalItens->SetCaption(texto);
}

} // namespace Cli_est25000
