#pragma once
// Unit Cli_est25000: the sample-processing screen TfrmAmostraProc (screen EST25000), its
// factory CriaAmostraProc and the package's entry IniProc.

#include <QString>

namespace Cli_est25000 {

class TfrmAmostraProc;

// The one sample screen; meaningful only while boIdCriado is true.
extern TfrmAmostraProc* frmAmostraProc;
// True while a screen instance exists.
extern bool boIdCriado;
// True from the creation of a screen until its first activation, which opens the filter.
extern bool boPrimVez;
// True while a whole sample is being deleted.
extern bool boDelAmostra;
// True while a sample is deleted from the list or the list is reloaded after a confirmation.
extern bool boDelete;
// True while the item grid clears the principal flag of the other items.
extern bool boLoop;
// Tree code of the item last posted as principal; empty when it was not principal.
extern QString stProdPrinc;

// Creates the screen when none exists, shows it and restores it to normal size.
void CriaAmostraProc();

void Initialization();
void Finalization();

} // namespace Cli_est25000

extern "C" void IniProc();
