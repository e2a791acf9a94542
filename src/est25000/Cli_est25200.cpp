// Unit Cli_est25200: module variables and unit initialisation of the filter dialog.
#include "Cli_est25200.h"

namespace Cli_est25200 {

constinit TfrmFiltroAmostraProc* frmFiltroAmostraProc = nullptr;
// Number of levels of the product-code picture, as text; set by the dialog's creation.
constinit QString stTtNiveis;

void Initialization() {}

void Finalization() {
    stTtNiveis.clear();
}

} // namespace Cli_est25200
