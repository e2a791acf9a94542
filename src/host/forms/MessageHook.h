#pragma once
// The message hook MsgEventForm, through which the host passes every key message before it is
// dispatched. It keeps the legacy namespace Quorvan, where the module looks for it.

#include <QObject>
#include <QtGlobal>

#include <functional>

namespace Quorvan {

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

} // namespace Quorvan
