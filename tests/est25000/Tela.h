#pragma once
// Opening and closing the sample screen in tests, as the suite does it: IniProc, with the
// filter dialog that the first activation shows driven through the dialogs seam.

#include <est25000/Cli_est25000.h>
#include <est25000/Cli_est25200.h>

#include <host/forms/Dialogs.h>

#include <functional>

namespace est25000::teste {

using Filtro = std::function<void(Cli_est25200::TfrmFiltroAmostraProc&)>;

// Confirms the filter as it stands.
void confirma(Cli_est25200::TfrmFiltroAmostraProc& filtro);

// Opens the screen through IniProc; the filter shown at its first activation is handed to
// `noFiltro` (by default confirmed with no criterion). The screen ends up active.
Cli_est25000::TfrmAmostraProc& abreTela(host::DialogScript& script, Filtro noFiltro = confirma);

// Makes the screen the application's active window, as a click on it does.
void ativa(host::TForm& form);

// Closes the screen if one is open (whatever its items say) and lets Qt destroy it.
void fechaTela();

// Runs the events posted so far (deferred deletions among them).
void processaEventos();

} // namespace est25000::teste
