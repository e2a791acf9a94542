// The item grid: the generated products of the sample, their checks, the single principal
// item, deleting an item and the Check command.
#include "Cli_est25000.h"

namespace Cli_est25000 {

void TfrmAmostraProc::ligaItens() {}

} // namespace Cli_est25000
