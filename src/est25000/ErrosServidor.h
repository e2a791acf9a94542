#pragma once
// The error rows of the server's last answer to a confirmation or deletion (CDOBJETO, the
// object concerned; CDERRO, the error code) and the two tests the screen makes over them.
// Codes and objects are matched whole, without regard to letter case; a lookup leaves the
// cursor on the row found.

#include <QString>

namespace dataset {
class ClientDataSet;
}

namespace Cli_est25000 {

// True when the answer holds any row: the server stores nothing when it answers one, whatever
// its code. The cursor is left on the first row of EST25000_1, EST25000_2 or EST25000_3,
// looked for in this order, else on the first row.
bool retornouErro(dataset::ClientDataSet& erros);

// True when a row concerns the object; false while no answer was loaded or it had no row.
bool resultErroItem(dataset::ClientDataSet& erros, const QString& cdObjeto);

} // namespace Cli_est25000
