#include <host/forms/FocusManager.h>

#include <host/core/DisplayBatch.h>
#include <host/core/EventBoundary.h>
#include <host/forms/Control.h>
#include <host/forms/Form.h>

#include <QApplication>

#include <algorithm>

namespace host {

namespace {

bool gMovingQtFocus = false;

// The control itself and the containers around it, innermost first, up to the form.
QList<QWidget*> controlChain(QWidget* w, const TForm* form) {
    QList<QWidget*> out;
    for (QWidget* p = w; p && p != form; p = p->parentWidget())
        if (dynamic_cast<TControl*>(p))
            out.append(p);
    return out;
}

QList<QWidget*> minus(const QList<QWidget*>& a, const QList<QWidget*>& b) {
    QList<QWidget*> out;
    for (QWidget* w : a)
        if (!b.contains(w))
            out.append(w);
    return out;
}

} // namespace

bool FocusManager::MovingQtFocus() {
    return gMovingQtFocus;
}

void FocusManager::setQtFocus(QWidget* target) {
    if (!target)
        return;
    // A control's own inner widget (a grid's cell editor) keeps the focus it has.
    QWidget* current = QApplication::focusWidget();
    if (current && (current == target || target->isAncestorOf(current)))
        return;
    const bool was = gMovingQtFocus;
    gMovingQtFocus = true;
    target->setFocus(Qt::OtherFocusReason);
    gMovingQtFocus = was;
}

void FocusManager::Forget(QWidget* control) {
    if (active_ == control)
        active_ = nullptr;
    if (entered_ == control)
        entered_ = nullptr;
    if (exiting_ == control)
        exiting_ = nullptr;
}

void FocusManager::runEnters(QWidget* from, QWidget* to) {
    QList<QWidget*> enters = minus(controlChain(to, form_), controlChain(from, form_));
    std::reverse(enters.begin(), enters.end());
    for (QWidget* w : enters) {
        if (active_ != to)
            return; // an enter handler moved the focus on
        if (TControl* c = dynamic_cast<TControl*>(w))
            c->DoEnter();
    }
}

void FocusManager::FocusControl(QWidget* target) {
    TControl* control = TControl::Of(target);
    if (!control)
        return;
    QWidget* to = control->Widget();
    // A hidden or disabled control cannot take the focus; the request changes nothing.
    if (!control->CanFocus())
        return;
    const DisplayBatch batch;

    if (exiting_) {
        // A handler moves the focus while a control is being left: the move under way ends
        // and this one takes its place; the control being left keeps its exit done.
        if (to == active_) {
            setQtFocus(to);
            return;
        }
        active_ = to;
        setQtFocus(to);
        if (to != exiting_ && to != entered_) {
            QWidget* from = entered_;
            entered_ = to;
            runEnters(from, to);
        }
        return;
    }

    if (to == entered_) {
        active_ = to;
        setQtFocus(to);
        return;
    }

    QPointer<QWidget> from = entered_.data();
    active_ = to;
    setQtFocus(to);

    const QList<QWidget*> exits =
        from ? minus(controlChain(from, form_), controlChain(to, form_)) : QList<QWidget*>();
    for (QWidget* w : exits) {
        QPointer<QWidget> guard = w;
        exiting_ = w;
        try {
            if (TControl* c = dynamic_cast<TControl*>(w))
                c->DoExit();
        } catch (...) {
            exiting_ = nullptr;
            if (active_ == to) { // undo the move unless a handler chose another control
                active_ = from.data();
                setQtFocus(from);
            }
            throw;
        }
        exiting_ = nullptr;
        if (active_ != to)
            return;
    }

    entered_ = to;
    runEnters(from, to);
}

void FocusManager::InstallWatcher() {
    static bool installed = false;
    if (installed || !qApp)
        return;
    installed = true;
    QObject::connect(qApp, &QApplication::focusChanged, qApp, [](QWidget*, QWidget* now) {
        if (gMovingQtFocus || !now)
            return;
        TControl* control = TControl::Of(now);
        if (!control)
            return;
        TForm* form = control->ParentForm();
        if (!form)
            return;
        QPointer<QWidget> widget = control->Widget();
        Guard([&] {
            if (widget)
                form->Focus().FocusControl(widget);
        });
    });
}

} // namespace host
