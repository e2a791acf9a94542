#pragma once
// Quorvan: the user's working environment as the module asks for it (branch, processing
// date, application server, product-code picture), and the message hook MsgEventForm
// (declared with the key filter, in MessageHook.h) that the module knows as this unit's.

#include <host/core/Configuration.h>
#include <host/forms/MessageHook.h>

#include <QDate>
#include <QString>

class TDBPicture;

namespace Quorvan {

// --- Environment
QString FiliProc();
QDate DataProc(const QString& branch);
QString WebURL();
int WebPort();

enum TPictType { tpProduto = 0 };
// The edit mask of a code picture in the mask syntax, literals shown but not stored
// ("9.99.999;0;_" for the default product picture); a configured mask with sections is
// given as it is.
QString DBPict(TPictType type);
// The picture object of the environment, owned by the host.
TDBPicture* DBPictObj(TPictType type);

} // namespace Quorvan
