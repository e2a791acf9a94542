// Screenshots of confirming samples, for docs/screenshots, taken from a real X display:
//   xvfb-run -a -s "-screen 0 1024x768x24" build/bin/est25000_capturas_gravacao docs/screenshots
// The progress window over a new sample about to be sent (the text the Confirm command shows),
// a sample refused by the server with its error list open, and the list reloaded after a
// confirmation with the stored sample current.
#include "Ambiente.h"
#include "Captura.h"
#include "Gravacao.h"

#include <est25000/Cli_est25000.h>
#include <est25000/Cli_est25100.h>
#include <est25000/Cli_est25200.h>

#include <dataset/ClientDataSet.h>
#include <host/controls/Buttonflat.h>
#include <host/controls/ComCtrls.h>
#include <host/controls/Showavi.h>
#include <host/database/DbGeral.h>
#include <host/forms/Application.h>
#include <host/forms/Dialogs.h>
#include <host/library/Quorvan.h>
#include <host/library/Qvn_msg.h>

#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QMdiArea>
#include <QScreen>
#include <QThread>

#include <cstdio>

using namespace est25000::teste;

namespace {

using capturas::espera;
using capturas::salva;

} // namespace

int main(int argc, char** argv) {
    host::HostApplication app(argc, argv);
    const QString pasta = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(pasta);
    Ambiente::instancia();
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
    script.OnModal([](host::TForm& form) {
        dynamic_cast<Cli_est25200::TfrmFiltroAmostraProc&>(form).sbtConfirma->Click();
    });
    IniProc();
    auto* tela = Cli_est25000::frmAmostraProc;
    if (!tela->Active())
        tela->DoActivate();
    const CasoEstoque caso = casoEstoque(dtmDBGeral::Database());

    // A new sample about to be sent: the progress window the Confirm command shows.
    clica(tela->sbtIncluir);
    preencheCabecalho(*tela, QStringLiteral("Rendimento do lote 12"), caso.inNatura, 10);
    adicionaItem(*tela, caso.itens[0], 5, true);
    adicionaItem(*tela, caso.itens[1], 3, false);
    adicionaItem(*tela, caso.itens[2], 2, false);
    Showavi::ActiveShowAvi(tela, Showavi::aviCopiaArquivo,
                           tela->msgPadrao->Msg(QStringLiteral("Conf_Amostra")));
    ok =
        salva(principal.frameGeometry(), pasta + QStringLiteral("/est25000-confirmando.png")) && ok;
    Showavi::DeactiveShowAvi();

    // Confirmed: the list reloaded, the stored sample current.
    clica(tela->sbtConfirmar);
    tela->ShowPage(tela->tshFolhaDados);
    ok = salva(principal.frameGeometry(), pasta + QStringLiteral("/est25000-confirmada.png")) && ok;

    // Refused by the server: the sample stays in edit; the error list of the refused item.
    const Produto semEstoque =
        produtoSemEstoque(dtmDBGeral::Database(), caso.inNatura.sgUnidade, caso.inNatura.cdProduto);
    clica(tela->sbtIncluir);
    preencheCabecalho(*tela, QStringLiteral("Amostra recusada"), caso.inNatura, 10);
    adicionaItem(*tela, caso.itens[0], 6, true);
    adicionaItem(*tela, semEstoque, 4, false);
    clica(tela->sbtConfirmar);
    tela->cdsItemAmostra->locate(QStringLiteral("CDPRODUTO"), semEstoque.cdProduto);
    script.OnModal([&](host::TForm& erros) {
        erros.show();
        ok = salva(principal.frameGeometry().united(erros.frameGeometry()),
                   pasta + QStringLiteral("/est25100-erros.png")) &&
             ok;
    });
    clica(tela->sbtVisualizaErros);
    return ok ? 0 : 1;
}
