#include <host/forms/Dialogs.h>

#include <host/core/DisplayBatch.h>
#include <host/core/EventBoundary.h>
#include <host/forms/Application.h>
#include <host/forms/Form.h>

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QWindow>

namespace host {

namespace {

QList<TForm*> gModalForms;

struct ButtonSpec {
    TMsgDlgBtn button;
    int result;
    const char* caption;
    QMessageBox::ButtonRole role;
};
constexpr ButtonSpec kButtons[] = {
    {mbYes, mrYes, "&Sim", QMessageBox::YesRole},
    {mbNo, mrNo, "&Não", QMessageBox::NoRole},
    {mbOK, mrOk, "OK", QMessageBox::AcceptRole},
    {mbCancel, mrCancel, "Cancelar", QMessageBox::RejectRole},
    {mbAbort, mrAbort, "&Abortar", QMessageBox::RejectRole},
    {mbRetry, mrRetry, "&Repetir", QMessageBox::AcceptRole},
    {mbIgnore, mrIgnore, "&Ignorar", QMessageBox::AcceptRole},
};

// What Enter answers: the default button when the box offers it, else the first one.
int defaultResult(TMsgDlgButtons buttons, TMsgDlgBtn defaultButton) {
    for (const ButtonSpec& b : kButtons)
        if ((buttons & b.button) && (!(buttons & defaultButton) || b.button == defaultButton))
            return b.result;
    return mrOk;
}

// The desktop: real message boxes, and a modal form runs in its own event loop.
class DesktopDialogs : public DialogHandler {
public:
    int MessageBox(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int,
                   TMsgDlgBtn defaultButton) override {
        const QPointer<QWidget> owner = QApplication::activeWindow();
        struct GiveBack {
            const QPointer<QWidget>& owner;
            ~GiveBack() { reactivate(owner); }
        } giveBack{owner};
        QMessageBox box;
        switch (type) {
        case TMsgDlgType::mtWarning:
            box.setIcon(QMessageBox::Warning);
            box.setWindowTitle(QStringLiteral("Atenção"));
            break;
        case TMsgDlgType::mtError:
            box.setIcon(QMessageBox::Critical);
            box.setWindowTitle(QStringLiteral("Erro"));
            break;
        case TMsgDlgType::mtInformation:
            box.setIcon(QMessageBox::Information);
            box.setWindowTitle(QStringLiteral("Informação"));
            break;
        case TMsgDlgType::mtConfirmation:
            box.setIcon(QMessageBox::Question);
            box.setWindowTitle(QStringLiteral("Confirmação"));
            break;
        case TMsgDlgType::mtCustom:
            box.setWindowTitle(QApplication::applicationDisplayName());
            break;
        }
        box.setText(text);
        QList<QPair<QAbstractButton*, int>> map;
        if (buttons == 0)
            buttons = mbOK;
        const int enter = defaultResult(buttons, defaultButton);
        for (const ButtonSpec& b : kButtons)
            if (buttons & b.button) {
                QPushButton* button = box.addButton(QString::fromUtf8(b.caption), b.role);
                map.append({button, b.result});
                if (b.result == enter)
                    box.setDefaultButton(button);
            }
        box.exec();
        for (const auto& [button, result] : map)
            if (box.clickedButton() == button)
                return result;
        return (buttons & mbCancel) ? mrCancel : (buttons & mbNo) ? mrNo : mrOk;
    }

    void RunModal(TForm& form) override {
        form.setWindowModality(Qt::ApplicationModal);
        // Over the window the user works in, and kept in front of it. At start-up the main
        // window's activation may not have come in yet: the form then belongs to it.
        QPointer<QWidget> owner = QApplication::activeWindow();
        if (QWidget* main = TApplication::Instance().MainWindow();
            !owner && main && main->isVisible())
            owner = main;
        if (owner && owner != &form && form.isWindow()) {
            form.winId();
            if (form.windowHandle() && owner->windowHandle())
                form.windowHandle()->setTransientParent(owner->windowHandle());
            // Centred by the client areas of both: the window frames, which the window
            // system makes known only after a first showing, do not move it between openings.
            if (!form.isVisible())
                form.setGeometry(
                    QRect(owner->geometry().center() - form.rect().center(), form.size()));
        }
        form.Show();
        if (form.Modal()) {
            QEventLoop loop;
            QObject::connect(&form, &TForm::modalFinished, &loop, &QEventLoop::quit);
            QObject::connect(&form, &QObject::destroyed, &loop, &QEventLoop::quit);
            loop.exec(QEventLoop::DialogExec);
        }
        form.setWindowModality(Qt::NonModal);
        if (!form.Modal() && !form.isVisible())
            reactivate(owner);
    }

    // The window the user worked in gets the keyboard back when a modal window closes, as
    // the classic modal show does; without a window manager nobody else would give it back.
    static void reactivate(const QPointer<QWidget>& owner) {
        if (owner && owner->isVisible())
            owner->activateWindow();
    }
};

DesktopDialogs gDesktop;
DialogHandler* gHandler = &gDesktop;

} // namespace

DialogHandler* SetDialogHandler(DialogHandler* handler) {
    DialogHandler* previous = gHandler;
    gHandler = handler ? handler : &gDesktop;
    return previous;
}

DialogHandler& CurrentDialogHandler() {
    return *gHandler;
}

int MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext,
               TMsgDlgBtn defaultButton) {
    DisplayBatch::ShowPending();
    return gHandler->MessageBox(text, type, buttons, helpContext, defaultButton);
}

void ShowMessage(const QString& text) {
    MessageDlg(text, TMsgDlgType::mtCustom, mbOK);
}

const QList<TForm*>& ModalForms() {
    return gModalForms;
}

void RunModalForm(TForm& form) {
    gModalForms.append(&form);
    struct Pop {
        TForm* f;
        ~Pop() { gModalForms.removeAll(f); }
    } pop{&form};
    DisplayBatch::ShowPending();
    gHandler->RunModal(form);
}

DialogScript::DialogScript() : previous_(SetDialogHandler(this)) {}

DialogScript::~DialogScript() {
    SetDialogHandler(previous_ == this ? nullptr : previous_);
}

int DialogScript::MessageBox(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int,
                             TMsgDlgBtn defaultButton) {
    messages_.append({text, type, buttons, defaultButton});
    if (!answers_.empty()) {
        const int answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    return DefaultAnswer != mrNone ? DefaultAnswer
                                   : defaultResult(buttons ? buttons : mbOK, defaultButton);
}

void DialogScript::RunModal(TForm& form) {
    modalCaptions_.append(form.Caption());
    form.Show();
    Guard([&] { form.DoActivate(); });
    if (form.Modal() && !actions_.empty()) {
        auto action = std::move(actions_.front());
        actions_.pop_front();
        // The scripted user acts as a person would: what a click raises is shown, not thrown.
        Guard([&] { action(form); });
    }
    if (form.Modal())
        Guard([&] { form.SetModalResult(mrCancel); });
    if (form.Modal())
        form.Hide();
    Guard([&] { form.DoDeactivate(); });
}

} // namespace host
