// Unit Cli_est25100: module variables and unit initialisation of the error list dialog.
#include "Cli_est25100.h"

namespace Cli_est25100 {

constinit TfrmVisualErros* frmVisualErros = nullptr;
constinit bool boIdCriado = false;
constinit QString stCdProduto;

void Initialization() {
    boIdCriado = false;
}

void Finalization() {
    stCdProduto.clear();
}

} // namespace Cli_est25100
