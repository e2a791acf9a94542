// The live total of the items beside the sample's quantity while a sample is edited, so that
// the item-total message at Confirm comes as no surprise. It changes no check.
#include <est25000/Cli_est25000.h>

#include <dataset/ClientDataSet.h>
#include <dataset/DataSource.h>
#include <dataset/FormatFloat.h>
#include <host/controls/StdControls.h>
#include <host/dbcontrols/DBGrid.h>
#include <host/library/Consiste.h>

#include <QApplication>
#include <QLineEdit>
#include <QPointer>

#include <memory>
#include <optional>

namespace Cli_est25000 {

namespace {

QString quantidade(double valor) {
    return dataset::formatFloat(QStringLiteral("#,##0.000"), valor);
}

// The quantity still being typed in the item grid's cell, when it reads as a number.
std::optional<double> quantidadeDigitada(const host::TDBGrid* grade) {
    const int coluna = grade->EditorColumn();
    if (coluna < 0 || !grade->Columns(coluna) ||
        grade->Columns(coluna)->FieldName() != QLatin1String("QTPRODGERADO"))
        return std::nullopt;
    const QString texto = grade->EditorText();
    if (texto.trimmed().isEmpty())
        return 0.0;
    return dataset::parseFloat(texto);
}

} // namespace

void TfrmAmostraProc::ligaTotalItens() {
    lblTotalItens = new host::TLabel(grbItensAmostra);
    lblTotalItens->setObjectName(QStringLiteral("lblTotalItens"));
    lblTotalItens->SetAutoSize(false);
    lblTotalItens->SetAlignment(host::TAlignment::taRightJustify);
    lblTotalItens->SetBounds(150, 0, 372, 14);
    // Every change of an item (typed, posted, added, removed, loaded) and of the sample's
    // quantity or state shows the total again. Of the sample's fields only the quantity
    // counts: the header's checks write several fields each, and none of them needs a sum.
    for (dataset::DataSource* fonte : {dtsItemAmostra, dtsPadrao}) {
        connect(fonte, &dataset::DataSource::dataChanged, this, [this] { mostraTotalItens(); });
        connect(fonte, &dataset::DataSource::stateChanged, this, [this] { mostraTotalItens(); });
        connect(fonte, &dataset::DataSource::scrolled, this, [this] { mostraTotalItens(); });
    }
    connect(dtsItemAmostra, &dataset::DataSource::recordChanged, this,
            [this](dataset::Field*) { mostraTotalItens(); });
    connect(dtsPadrao, &dataset::DataSource::recordChanged, this, [this](dataset::Field* campo) {
        if (!campo ||
            campo->fieldName().compare(QLatin1String("QTPRODPROC"), Qt::CaseInsensitive) == 0)
            mostraTotalItens();
    });
    // And every key typed in a cell of the item grid, before the cell is written.
    auto editor = std::make_shared<QPointer<QLineEdit>>();
    connect(qApp, &QApplication::focusChanged, this, [this, editor](QWidget*, QWidget* agora) {
        auto* celula = qobject_cast<QLineEdit*>(agora);
        if (!celula || celula == *editor || !dbgItensAmostra->isAncestorOf(celula))
            return;
        *editor = celula;
        connect(celula, &QLineEdit::textEdited, this, [this] { mostraTotalItens(); });
    });
    mostraTotalItens();
}

void TfrmAmostraProc::mostraTotalItens() {
    // A processed sample's items cannot change: its notice takes the row instead.
    const dataset::DataSetState estado = cdsAmostraProc->state();
    if ((estado != dataset::DataSetState::Edit && estado != dataset::DataSetState::Insert) ||
        AmostraProcessada()) {
        lblTotalItens->SetCaption(QString());
        return;
    }
    double soma = 0;
    if (cdsItemAmostra->active()) {
        const int coluna = cdsItemAmostra->fieldByName(QStringLiteral("QTPRODGERADO"))->index();
        const int atual = cdsItemAmostra->currentRow();
        const std::optional<double> digitada = quantidadeDigitada(dbgItensAmostra);
        for (int linha = 0; linha < cdsItemAmostra->rowCount(); ++linha)
            soma += linha == atual && digitada ? *digitada
                                               : cdsItemAmostra->valueAt(linha, coluna).toDouble();
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
