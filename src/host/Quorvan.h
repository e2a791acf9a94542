#pragma once
// Quorvan: the user's working environment as the module asks for it (branch, processing
// date, application server, product-code picture) and the message hook MsgEventForm, through
// which the host passes every key message before it is dispatched.

#include "Configuration.h"

#include <QDate>
#include <QObject>
#include <QString>

#include <functional>

class TDBPicture;

namespace Quorvan {

// --- Message hook
inline constexpr unsigned WM_KEYDOWN = 0x0100;
inline constexpr unsigned WM_KEYUP = 0x0101;

// A message as the hook sees it: the receiving control, the message, the virtual-key code
// (wParam) and the modifier keys held. The hook may rewrite wParam (0 consumes the key).
struct tagMSG {
    QObject* hwnd = nullptr;
    unsigned message = 0;
    int wParam = 0;
    qintptr lParam = 0;
    Qt::KeyboardModifiers shift;
};
using TMessageEvent = std::function<void(tagMSG& Msg, bool& Handled)>;

// The hook; empty means no hook. A screen stores its handler while it is active.
extern TMessageEvent MsgEventForm;

// Installs the application-wide key filter that calls MsgEventForm (done by the host).
void InstallMessageHook();

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
