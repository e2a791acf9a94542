#pragma once
// The history of the current sample (Exibir, "Histórico da amostra"): a read-only list of what
// was stored, newest first, each line with its moment, user, operation and field.

#include <host/forms/Form.h>

#include <QString>

class TNetConnection;

namespace host {
class TListBox;
} // namespace host

namespace est25000 {

class TfrmHistoricoAmostra : public host::TForm {
    Q_OBJECT
public:
    TfrmHistoricoAmostra();
    host::TListBox* lsbHistorico = nullptr;
};

// Asks the server for the sample's history and shows it modally; raises what the call raises.
void MostraHistorico(TNetConnection& net, const QString& nrAmostra);

} // namespace est25000
