// The live total of the items beside the sample's quantity while a sample is edited.
#include "Cli_est25000.h"

namespace Cli_est25000 {

void TfrmAmostraProc::ligaTotalItens() {}

} // namespace Cli_est25000
