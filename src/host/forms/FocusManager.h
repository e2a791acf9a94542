#pragma once
// The focus rules of a form. When the focus moves from A to B the form's active control is
// already B while A's exit handler runs (and then the exits of the containers that the focus
// leaves); a handler that raises undoes the move, so A has the focus again and neither B's
// enter nor its exit runs. A handler may itself move the focus; the move under way then ends.

#include <QPointer>
#include <QWidget>

namespace host {

class TForm;

class FocusManager {
public:
    explicit FocusManager(TForm* form) : form_(form) {}

    QWidget* ActiveControl() const { return active_; }
    // Moves the focus to the control; exceptions of exit handlers reach the caller.
    void FocusControl(QWidget* target);
    // Forgets a control that is going away.
    void Forget(QWidget* control);

    // True while the host itself moves Qt's focus (Qt's focus signal is then ignored).
    static bool MovingQtFocus();
    // Installs the application-wide watcher of Qt's focus changes (mouse clicks, windows).
    static void InstallWatcher();

private:
    void setQtFocus(QWidget* target);
    void runEnters(QWidget* commonAncestor, QWidget* target);

    TForm* form_;
    QPointer<QWidget> active_;  // the form's active control (the target of the last move)
    QPointer<QWidget> entered_; // the control whose enter handling last ran
    QWidget* exiting_ = nullptr;
};

} // namespace host
