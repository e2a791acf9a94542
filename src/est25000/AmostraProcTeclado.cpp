// The keyboard conventions of the sample screen, applied to every key message the host passes
// through its hook while the screen is active: Enter and Down act as Tab (Enter on an item's
// Principal goes on to the next item's code), Up goes back, Page Down and Page Up jump between
// containers and pages, and the decimal key types a comma. An open menu keeps its own keys.
#include <est25000/Cli_est25000.h>

#include <dataset/ClientDataSet.h>
#include <dataset/DataSource.h>
#include <dataset/FormatFloat.h>
#include <host/core/VirtualKeys.h>
#include <host/dbcontrols/DBControls.h>
#include <host/dbcontrols/DBGrid.h>
#include <host/forms/Screen.h>
#include <host/library/Quorvan.h>

#include <QSet>

namespace Cli_est25000 {

namespace {

host::TControl* controle(QWidget* widget) {
    return widget ? host::TControl::Of(widget) : nullptr;
}

QString nomeDe(host::TControl* control) {
    return control ? control->Name() : QString();
}

host::TControl* containerDe(QWidget* widget) {
    host::TControl* control = controle(widget);
    return control ? control->ParentControl() : nullptr;
}

// Whether typing in the control enters a floating-point value.
bool campoReal(host::TControl* control) {
    dataset::Field* field = nullptr;
    if (auto* edit = dynamic_cast<host::TDBEdit*>(control)) {
        field = edit->Field();
    } else if (auto* grid = dynamic_cast<host::TDBGrid*>(control)) {
        field = grid->SelectedField();
    }
    return field && field->dataType() == dataset::FieldType::Float;
}

} // namespace

void TfrmAmostraProc::OnMessage(Quorvan::tagMSG& Msg, bool&) {
    host::TTabSheet* pagina = pgcPadrao->ActivePage();
    if (Msg.message == Quorvan::WM_KEYDOWN && host::Screen->ActiveForm() == this)
        teclado(Msg);
    // Showing a page from code raises no change event.
    if (pgcPadrao->ActivePage() != pagina)
        pgcPadraoChange(pgcPadrao);
}

void TfrmAmostraProc::teclado(Quorvan::tagMSG& Msg) {
    QWidget* foco = ActiveControl();
    host::TControl* focado = controle(foco);
    const bool emGrade = dynamic_cast<host::TDBGrid*>(focado) != nullptr;
    int& key = Msg.wParam;

    if (key == host::VK_RETURN) {
        if (Msg.shift & Qt::ControlModifier) {
        } else if (emGrade && nomeDe(focado) == QLatin1String("dbgItensAmostra") &&
                   colunaItemSelecionada() == QLatin1String("IDPRODPRINC")) {
            key = 0;
            proximoItem();
        } else {
            key = host::VK_TAB;
        }
    } else {
        if (!emGrade) {
            if (key == host::VK_UP)
                SelectNext(foco, false, true); // the Up key still reaches the control
            else if (key == host::VK_DOWN)
                key = host::VK_TAB;
        }
        if (key == host::VK_NEXT) {
            const QString nome = nomeDe(focado);
            if (nome == QLatin1String("dbgItensAmostra")) {
            } else if (nome == QLatin1String("dbgPadrao")) {
                pgcPadrao->SetActivePage(tshFormulario);
            } else {
                moveParaOutroContainer(foco, true);
            }
            key = 0;
        } else if (key == host::VK_PRIOR) {
            if (nomeDe(containerDe(foco)) == QLatin1String("grbDadosAmostra")) {
                if (tshFolhaDados->Enabled()) {
                    pgcPadrao->SetActivePage(tshFolhaDados);
                    dbgPadrao->SetFocus();
                }
            } else if (nomeDe(focado) == QLatin1String("dbgPadrao")) {
            } else {
                moveParaOutroContainer(foco, false);
            }
            key = 0;
        }
    }

    if ((key == host::VK_OEM_PERIOD || key == host::VK_DECIMAL) &&
        dataset::FormatSettings::decimalSeparator() == QLatin1Char(',') &&
        campoReal(controle(ActiveControl())))
        key = host::VK_OEM_COMMA;
}

QString TfrmAmostraProc::colunaItemSelecionada() const {
    host::TColumn* coluna = dbgItensAmostra->SelectedColumn();
    return coluna ? coluna->FieldName() : QString();
}

// Enter on the last column of an item: the code of the next item, a new one after the last (as
// Down there), so that a typist never leaves the grid by Enter.
void TfrmAmostraProc::proximoItem() {
    dbgItensAmostra->CommitEditor();
    if (dbgItensAmostra->ReadOnly())
        return;
    if (cdsItemAmostra->currentRow() < cdsItemAmostra->rowCount() - 1)
        cdsItemAmostra->next();
    else if (!(cdsItemAmostra->state() == dataset::DataSetState::Insert &&
               !cdsItemAmostra->modified()))
        cdsItemAmostra->append();
    focaColunaItem(QStringLiteral("CDARVPROD"));
}

// Moves the focus control by control, in tab order, until it lands in another container than
// the one it was in (each move runs the exit handling of the control left). When a whole pass
// finds no control outside the starting container, the focus stays where it was.
void TfrmAmostraProc::moveParaOutroContainer(QWidget* inicio, bool avante) {
    if (!inicio)
        return;
    QList<QWidget*> caminho;
    QSet<QWidget*> vistos{inicio};
    QWidget* atual = inicio;
    for (;;) {
        QWidget* proximo = FindNextControl(atual, avante, true);
        if (!proximo || vistos.contains(proximo))
            return;
        vistos.insert(proximo);
        caminho << proximo;
        if (containerDe(proximo) != containerDe(atual))
            break;
        atual = proximo;
    }
    for (QWidget* passo : caminho)
        controle(passo)->SetFocus();
}

} // namespace Cli_est25000
