// Unit Cli_est25000: module variables, unit initialisation and the screen's factory.
#include "Cli_est25000.h"

namespace Cli_est25000 {

// Zero-initialised before any code of the package runs (constinit), as the units expect.
constinit TfrmAmostraProc* frmAmostraProc = nullptr;
constinit bool boIdCriado = false;
constinit bool boPrimVez = false;
constinit bool boDelAmostra = false;
constinit bool boDelete = false;
constinit bool boLoop = false;
constinit QString stProdPrinc;

void Initialization() {
    boIdCriado = false;
    boDelAmostra = false;
    boLoop = false;
    boDelete = false;
    stProdPrinc.clear();
}

void Finalization() {
    stProdPrinc.clear();
}

} // namespace Cli_est25000
