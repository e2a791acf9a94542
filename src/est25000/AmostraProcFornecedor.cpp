// The sample header's second row: supplier, invoice series and invoice number, their checks,
// edits and lookups.
#include "Cli_est25000.h"

namespace Cli_est25000 {

void TfrmAmostraProc::ligaFornecedor() {}

void TfrmAmostraProc::Vd_Fornecedor(bool) {}
void TfrmAmostraProc::Vd_SerieNF(bool) {}
void TfrmAmostraProc::Vd_NotaFiscal(bool) {}

} // namespace Cli_est25000
