// The application-wide key filter behind Quorvan::MsgEventForm: every key message bound for
// the focused control goes through the hook first; a rewritten key reaches the same control
// in place of the original, a key rewritten to 0 is consumed. Open menus keep their keys, and
// in every one Space runs the highlighted entry, as Enter does.
#include <host/forms/MessageHook.h>

#include <host/core/EventBoundary.h>
#include <host/core/VirtualKeys.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QWidget>

namespace Quorvan {

TMessageEvent MsgEventForm;

namespace {

// An open menu, or the menu bar the keyboard walks, keeps its own keys, as the classic menu
// loop never passed them to the hook.
bool inMenu(QObject* receiver) {
    return qobject_cast<QMenu*>(QApplication::activePopupWidget()) ||
           qobject_cast<QMenu*>(receiver) || qobject_cast<QMenuBar*>(receiver);
}

// In every open menu Space runs the highlighted entry as Enter does, whatever the style says.
bool spaceRunsEntry(QObject* receiver, const QKeyEvent* key) {
    auto* menu = qobject_cast<QMenu*>(receiver);
    if (!menu || key->type() != QEvent::KeyPress || key->key() != Qt::Key_Space ||
        key->modifiers() != Qt::NoModifier || !menu->activeAction())
        return false;
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(menu, &enter);
    return true;
}

class KeyHookFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (spaceRunsEntry(receiver, key))
            return true;
        if (!MsgEventForm || event == rewritten_ ||
            receiver != static_cast<QObject*>(QApplication::focusWidget()) || inMenu(receiver))
            return false;
        tagMSG msg;
        msg.hwnd = receiver;
        msg.message = type == QEvent::KeyPress ? WM_KEYDOWN : WM_KEYUP;
        msg.wParam = host::virtualKeyOf(*key);
        msg.shift = key->modifiers();
        const int original = msg.wParam;
        bool handled = false;
        QPointer<QObject> target = receiver;
        const TMessageEvent hook = MsgEventForm; // the hook may clear itself
        host::Guard([&] { hook(msg, handled); });
        if (handled)
            return true;
        if (msg.wParam == original)
            return false;
        if (msg.wParam == 0 || !target)
            return true;
        const host::QtKey replacement = host::qtKeyOf(msg.wParam, msg.shift);
        QKeyEvent changed(type, replacement.key, replacement.modifiers, replacement.text,
                          key->isAutoRepeat(), key->count());
        QEvent* const outer = rewritten_;
        rewritten_ = &changed;
        QCoreApplication::sendEvent(target, &changed);
        rewritten_ = outer;
        return true;
    }

private:
    QEvent* rewritten_ = nullptr;
};

} // namespace

void InstallMessageHook() {
    static KeyHookFilter* filter = nullptr;
    if (filter || !qApp)
        return;
    filter = new KeyHookFilter(qApp);
    qApp->installEventFilter(filter);
}

} // namespace Quorvan
