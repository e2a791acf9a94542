// Screenshots of the sample screen for docs/screenshots, taken from a real X display
// (run under Xvfb):
//   xvfb-run -a -s "-screen 0 1024x768x24" build/bin/est25000_capturas docs/screenshots
// The screen opens in a main window as a child window, on the demo data; the filter dialog is
// captured while it is shown at the first activation, the form page after it was confirmed,
// and the product search of a new item over the item grid.
#include "Ambiente.h"
#include "Captura.h"

#include <est25000/Cli_est25000.h>
#include <est25000/Cli_est25200.h>

#include <dataset/ClientDataSet.h>
#include <dataset/EditMask.h>
#include <host/controls/Buttonflat.h>
#include <host/controls/ComCtrls.h>
#include <host/controls/StdControls.h>
#include <host/database/DbGeral.h>
#include <host/dbcontrols/DBControls.h>
#include <host/dbcontrols/DBGrid.h>
#include <host/forms/Application.h>
#include <host/forms/Dialogs.h>
#include <host/library/Consiste.h>
#include <host/library/Quorvan.h>
#include <host/search/Btnpesquisa.h>
#include <host/search/SearchWindow.h>

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QRegularExpression>
#include <QScreen>
#include <QSqlQuery>
#include <QThread>

#include <cstdio>

namespace {

using capturas::espera;

bool captura(QWidget* janela, const QString& arquivo, QRect area = {}) {
    return capturas::salva(area.isNull() ? janela->frameGeometry() : area, arquivo);
}

} // namespace

int main(int argc, char** argv) {
    host::HostApplication app(argc, argv);
    const QString pasta = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(pasta);
    est25000::teste::Ambiente::instancia();
    Quorvan::InstallMessageHook();

    QMainWindow principal;
    auto* area = new QMdiArea(&principal);
    principal.setCentralWidget(area);
    principal.setWindowTitle(QStringLiteral("Suite"));
    principal.setGeometry(0, 0, 640, 540);
    host::Application->SetMainWindow(&principal, area);
    principal.show();
    espera(200);

    bool ok = true;
    host::DialogScript script;
    script.OnModal([&](host::TForm& form) {
        auto& filtro = dynamic_cast<Cli_est25200::TfrmFiltroAmostraProc&>(form);
        filtro.medInterInic->SetText(QStringLiteral("1"));
        filtro.medInterFinal->SetText(QStringLiteral("40"));
        filtro.show();
        filtro.move(80, 120);
        filtro.medInterFinal->SetFocus();
        ok = captura(&filtro, pasta + QStringLiteral("/est25200-filtro.png")) && ok;
        filtro.sbtConfirma->Click();
    });
    IniProc();
    auto* tela = Cli_est25000::frmAmostraProc;
    if (!tela->Active())
        tela->DoActivate();
    // A sample with several items.
    for (tela->cdsAmostraProc->first(); !tela->cdsAmostraProc->eof(); tela->cdsAmostraProc->next())
        if (tela->cdsItemAmostra->recordCount() >= 3)
            break;
    tela->dbeDescAmostra->SetFocus();
    ok = captura(&principal, pasta + QStringLiteral("/est25000-formulario.png")) && ok;
    tela->pgcPadrao->SetActivePage(tela->tshFolhaDados);
    tela->pgcPadraoChange(tela->pgcPadrao);
    ok = captura(&principal, pasta + QStringLiteral("/est25000-lista.png")) && ok;

    // A new sample whose header is filled from the lookups: a supplier with an alphanumeric
    // CNPJ, the series and invoice of one of its invoices, a product of that invoice.
    tela->pgcPadrao->SetActivePage(tela->tshFormulario);
    tela->pgcPadraoChange(tela->pgcPadrao);
    QSqlQuery nota(dtmDBGeral::Database());
    nota.exec(
        QStringLiteral("SELECT F.NRINSJURFORN, N.CDSERIEENTR, N.NRNOTAFISC FROM NOTAFISCENTR N"
                       " JOIN FORNECEDOR F ON F.CDFORNECED = N.CDFORNECED"
                       " WHERE F.IDTPIJURFORN = 'J' ORDER BY N.NRNOTAFISC"));
    QStringList escolha;
    while (escolha.isEmpty() && nota.next())
        if (nota.value(0).toString().contains(QRegularExpression(QStringLiteral("[A-Z]"))))
            escolha = {dataset::formatMaskText(Consiste::PictPess(QStringLiteral("J")),
                                               nota.value(0).toString()),
                       nota.value(1).toString(), nota.value(2).toString(), QString()};
    tela->sbtIncluir->Click();
    tela->cdsAmostraProc->fieldByName(QStringLiteral("DSAMOSTRA"))
        ->setAsString(QStringLiteral("Beneficiamento do lote da nota"));
    for (host::TBtnPesquisa* botao :
         {tela->btpFornecedor, tela->btpSerie, tela->btpNrNf, tela->btpProduto}) {
        const QString procura = escolha.isEmpty() ? QString() : escolha.takeFirst();
        script.OnModal([procura](host::TForm& form) {
            auto& janela = dynamic_cast<host::TfrmSearchWindow&>(form);
            if (!procura.isEmpty())
                janela.Search(procura);
            janela.Pick();
        });
        if (botao->Associate())
            dynamic_cast<host::TControl*>(botao->Associate())->SetFocus();
        botao->Click();
    }
    tela->dbeQuantProd->SetFocus();
    tela->cdsAmostraProc->fieldByName(QStringLiteral("QTPRODPROC"))->setAsFloat(125.5);
    tela->dbeDescAmostra->SetFocus();
    ok = captura(&principal, pasta + QStringLiteral("/est25000-cabecalho.png")) && ok;
    tela->cdsAmostraProc->cancel();

    // A new item of the sample and the product search opened from its code cell.
    tela->pgcPadrao->SetActivePage(tela->tshFormulario);
    tela->pgcPadraoChange(tela->pgcPadrao);
    tela->dbgItensAmostra->SetFocus();
    tela->cdsItemAmostra->last();
    tela->cdsItemAmostra->append();
    tela->dbgItensAmostra->SetEditorMode(true);
    script.OnModal([&](host::TForm& busca) {
        busca.show();
        busca.move(360, 345);
        ok = captura(&principal, pasta + QStringLiteral("/est25000-itens-pesquisa.png"),
                     principal.frameGeometry().united(busca.frameGeometry())) &&
             ok;
    });
    tela->dbgItensAmostraEditButtonClick(tela->dbgItensAmostra);
    tela->cdsItemAmostra->cancel();
    tela->cdsAmostraProc->cancel();

    // The live total of the items while the sample is edited, one item short. The search's
    // cell editor is closed first, with whatever it left in the item.
    tela->dbgItensAmostra->SetEditorMode(false);
    if (tela->cdsItemAmostra->state() != dataset::DataSetState::Browse)
        tela->cdsItemAmostra->cancel();
    tela->pgcPadrao->SetActivePage(tela->tshFormulario);
    tela->pgcPadraoChange(tela->pgcPadrao);
    tela->sbtAlterar->Click();
    dataset::Field* quantidade = tela->cdsItemAmostra->fieldByName(QStringLiteral("QTPRODGERADO"));
    tela->cdsItemAmostra->last();
    tela->cdsItemAmostra->edit();
    quantidade->setAsFloat(quantidade->asFloat() - 0.5);
    tela->dbgItensAmostra->setFocus();
    ok = captura(&principal, pasta + QStringLiteral("/est25000-total-itens.png")) && ok;
    tela->cdsItemAmostra->cancel();
    tela->cdsAmostraProc->cancel();

    // A processed sample (the filter above lists none): its notice, and all but its
    // description kept as stored.
    QSqlQuery processada(dtmDBGeral::Database());
    processada.exec(
        QStringLiteral("SELECT MIN(NRAMOSTRA) FROM AMOSTRAPROC WHERE IDPROCESSADO = 'S'"));
    processada.next();
    auto* filtro = Cli_est25200::frmFiltroAmostraProc;
    filtro->medInterInic->SetText(processada.value(0).toString());
    filtro->medInterFinal->SetText(processada.value(0).toString());
    filtro->sbtConfirma->Click();
    tela->pgcPadrao->SetActivePage(tela->tshFormulario);
    tela->pgcPadraoChange(tela->pgcPadrao);
    tela->dbeDescAmostra->SetFocus();
    ok = captura(&principal, pasta + QStringLiteral("/est25000-processada.png")) && ok;

    // The screen's help page, as F1 shows it.
    script.OnModal([&](host::TForm& ajuda) {
        ajuda.show();
        ajuda.move(40, 20);
        ok = captura(&ajuda, pasta + QStringLiteral("/est25000-ajuda.png")) && ok;
    });
    tela->dbeDescAmostra->SetFocus();
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(tela->dbeDescAmostra, &f1);
    return ok ? 0 : 1;
}
