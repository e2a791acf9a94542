#pragma once
// The message tables of the module's three forms: one line per entry, the key, a bar, then
// the text (which may hold further bars and a "%s" to be filled).

#include <QStringList>

namespace est25000 {

const QStringList& mensagensAmostraProc();       // TfrmAmostraProc.msgPadrao
const QStringList& mensagensFiltroAmostraProc(); // TfrmFiltroAmostraProc.msgPadrao
const QStringList& mensagensVisualErros();       // TfrmVisualErros.msgPadrao

} // namespace est25000
