#include <host/forms/Application.h>

#include <host/core/EventBoundary.h>
#include <host/core/Exceptions.h>
#include <host/core/TextosQt.h>
#include <host/forms/Dialogs.h>
#include <host/forms/KeptLooksStyle.h>
#include <host/forms/MessageHook.h>

#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>

namespace host {

TApplication& TApplication::Instance() {
    static TApplication* instance = new TApplication();
    return *instance;
}

TApplication::TApplication() {
    KeptLooksStyle::Install();
    FocusManager::InstallWatcher();
    Quorvan::InstallMessageHook();
}

void TApplication::Adopt(TForm* form) {
    forms_.removeAll(nullptr);
    forms_.append(form);
}

void TApplication::SetMainWindow(QMainWindow* window, QMdiArea* area) {
    mainWindow_ = window;
    if (window && (!statusLabel_ || statusLabel_->window() != window)) {
        // A permanent widget: the menus' status tips pass over it without hiding it.
        statusLabel_ = new QLabel(statusText_, window);
        statusLabel_->setObjectName(QStringLiteral("lblMensagem"));
        statusLabel_->setAccessibleName(QStringLiteral("Mensagem"));
        statusLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                              Qt::TextSelectableByKeyboard);
        window->statusBar()->addPermanentWidget(statusLabel_, 1);
    }
    if (mdiArea_)
        disconnect(mdiArea_, nullptr, this, nullptr);
    mdiArea_ = area;
    if (area)
        connect(area, &QMdiArea::subWindowActivated, this, &TApplication::subWindowActivated);
}

void TApplication::SetStatusText(const QString& text) {
    statusText_ = text;
    if (statusLabel_) {
        statusLabel_->setText(text);
        statusLabel_->setAccessibleDescription(text);
    }
}

void TApplication::subWindowActivated(QMdiSubWindow* window) {
    // The area reports no active child while the main window is inactive (a modal dialog in
    // front); the child form stays the active one then, as the classic MDI does.
    if (!window && mdiArea_ && !mdiArea_->subWindowList().isEmpty() && mainWindow_ &&
        !mainWindow_->isActiveWindow())
        return;
    TForm* form = window ? qobject_cast<TForm*>(window->widget()) : nullptr;
    if (form == activeChild_)
        return;
    QPointer<TForm> previous = activeChild_;
    activeChild_ = form;
    if (previous)
        Guard([&] { previous->DoDeactivate(); });
    if (form)
        Guard([&] { form->DoActivate(); });
}

void TApplication::ShowException(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        // already reported
    } catch (const EHostError& e) {
        MessageDlg(e.message(), TMsgDlgType::mtError, mbOK);
    } catch (const std::exception& e) {
        MessageDlg(QString::fromUtf8(e.what()), TMsgDlgType::mtError, mbOK);
    } catch (...) {
        MessageDlg(QStringLiteral("Erro inesperado."), TMsgDlgType::mtError, mbOK);
    }
}

void TApplication::MessageBox(const QString& text, const QString&) {
    MessageDlg(text, TMsgDlgType::mtInformation, mbOK);
}

void TApplication::DestroyForms() {
    const auto forms = forms_;
    forms_.clear();
    for (const QPointer<TForm>& f : forms) {
        if (!f)
            continue;
        if (QMdiSubWindow* sub = f->SubWindow())
            delete sub;
        else
            delete f.data();
    }
}

HostApplication::HostApplication(int& argc, char** argv) : QApplication(argc, argv) {
    TApplication::Instance();
    InstalaTextosQt();
}

bool HostApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleException(std::current_exception());
        return false;
    }
}

void HandleException(std::exception_ptr error) noexcept {
    try {
        TApplication::Instance().ShowException(error);
    } catch (...) {
        // the error display itself failed; nothing sensible is left to show it with
    }
}

} // namespace host
