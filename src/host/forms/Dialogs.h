#pragma once
// The one seam through which the host shows modal dialogs and message boxes. The desktop
// uses real Qt windows; a test installs a DialogScript that records what was shown, answers
// questions and drives modal forms from code, with no nested event loop waiting for a person.

#include <host/core/HostTypes.h>

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

namespace host {

class TForm;

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn {
    mbYes = 1,
    mbNo = 2,
    mbOK = 4,
    mbCancel = 8,
    mbAbort = 16,
    mbRetry = 32,
    mbIgnore = 64
};
using TMsgDlgButtons = int;
inline constexpr TMsgDlgButtons mbYesNo = mbYes | mbNo;
inline constexpr TMsgDlgButtons mbOKCancel = mbOK | mbCancel;

// What the seam does; one instance is current.
class DialogHandler {
public:
    virtual ~DialogHandler() = default;
    // Shows a message box and returns the modal result of the button pressed. Enter presses
    // `defaultButton` (0: the first button offered).
    virtual int MessageBox(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons,
                           int helpContext, TMsgDlgBtn defaultButton) = 0;
    // Runs a form modally: returns when the form's modal result is set or it is closed.
    virtual void RunModal(TForm& form) = 0;
};

// Installs a handler (nullptr restores the desktop one); returns the previous handler.
DialogHandler* SetDialogHandler(DialogHandler* handler);
DialogHandler& CurrentDialogHandler();

// The message box of the platform: text, type, buttons, help context -> modal result. A
// question whose Yes destroys work names No as the default button, the one Enter presses.
int MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext = 0,
               TMsgDlgBtn defaultButton = TMsgDlgBtn{});
void ShowMessage(const QString& text);

// The modal forms being shown, innermost last.
const QList<TForm*>& ModalForms();
// Runs a form modally through the current handler (TForm::ShowModal calls it).
void RunModalForm(TForm& form);

// A scripted user for tests: every message box is recorded and answered from the queue
// (or with the default answer), every modal form is handed to the next queued action, which
// drives it from code (fills its fields, clicks its buttons); a form still open afterwards is
// closed as cancelled. Installs itself while alive.
class DialogScript : public DialogHandler {
public:
    struct Shown {
        QString text;
        TMsgDlgType type;
        TMsgDlgButtons buttons;
        TMsgDlgBtn defaultButton; // 0: the first button
    };

    DialogScript();
    ~DialogScript() override;

    // Answers the next message boxes, in order; afterwards DefaultAnswer is used.
    void Answer(int modalResult) { answers_.push_back(modalResult); }
    int DefaultAnswer = mrNone; // mrNone: the box's default button, as a bare Enter answers
    void OnModal(std::function<void(TForm&)> action) { actions_.push_back(std::move(action)); }

    const QList<Shown>& Messages() const { return messages_; }
    QString LastMessage() const { return messages_.isEmpty() ? QString() : messages_.last().text; }
    void Clear() { messages_.clear(); }
    // Captions of the modal forms shown, in order.
    const QStringList& ModalCaptions() const { return modalCaptions_; }

    int MessageBox(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext,
                   TMsgDlgBtn defaultButton) override;
    void RunModal(TForm& form) override;

private:
    DialogHandler* previous_;
    std::deque<int> answers_;
    std::deque<std::function<void(TForm&)>> actions_;
    QList<Shown> messages_;
    QStringList modalCaptions_;
};

} // namespace host
