// The record commands New, Edit, Confirm, Cancel, Delete and Search, the sample's checks
// before a post, and the round trip of a confirmation to the application server.
#include "Cli_est25000.h"

namespace Cli_est25000 {

void TfrmAmostraProc::ligaComandos() {}

} // namespace Cli_est25000
