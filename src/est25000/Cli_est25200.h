#pragma once
// Unit Cli_est25200: the sample filter dialog TfrmFiltroAmostraProc (screen EST25200) and its
// factory CriaFiltroAmostraProc.

#include <QString>

namespace Cli_est25200 {

class TfrmFiltroAmostraProc;

// The dialog instance; null until the screen first opens it, then kept (hidden) until the
// screen closes.
extern TfrmFiltroAmostraProc* frmFiltroAmostraProc;

// Creates the dialog when frmFiltroAmostraProc is null and shows it modally.
void CriaFiltroAmostraProc();

void Initialization();
void Finalization();

} // namespace Cli_est25200
