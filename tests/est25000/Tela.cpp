#include "Tela.h"

#include "Ambiente.h"

#include <dataset/ClientDataSet.h>
#include <host/forms/Application.h>
#include <host/library/Quorvan.h>
#include <host/remote/ChangeJournal.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>

namespace est25000::teste {

void confirma(Cli_est25200::TfrmFiltroAmostraProc& filtro) {
    filtro.sbtConfirma->Click();
}

void processaEventos() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

void ativa(host::TForm& form) {
    QWidget* window = form.window();
    // Activations requested earlier (the filter dialog's) arrive first.
    processaEventos();
    QApplication::setActiveWindow(window);
    processaEventos();
    if (!form.Active())
        form.DoActivate();
}

Cli_est25000::TfrmAmostraProc& abreTela(host::DialogScript& script, Filtro noFiltro) {
    Ambiente::instancia();
    Quorvan::InstallMessageHook();
    script.OnModal([noFiltro](host::TForm& form) {
        noFiltro(dynamic_cast<Cli_est25200::TfrmFiltroAmostraProc&>(form));
    });
    IniProc();
    ativa(*Cli_est25000::frmAmostraProc);
    return *Cli_est25000::frmAmostraProc;
}

void fechaTela() {
    if (Cli_est25000::boIdCriado && Cli_est25000::frmAmostraProc) {
        Cli_est25000::TfrmAmostraProc* tela = Cli_est25000::frmAmostraProc;
        // Items that do not add up would refuse the close: take the server's again.
        tela->cdsItemAmostra->cancelUpdates();
        try {
            tela->Close();
        } catch (...) {
        }
        if (Cli_est25000::boIdCriado) {
            Cli_est25000::boIdCriado = false;
            delete tela;
        }
    }
    processaEventos();
    // A screen taken apart while editing leaves its journal, which the next one would offer.
    QDir(host::ChangeJournal::Folder()).removeRecursively();
}

} // namespace est25000::teste
