#pragma once
// TApplication: the suite's application object. It creates every form (and owns it until it
// is destroyed), knows the main window whose MDI area holds the child forms, tracks which
// child form is active, and shows the errors that reach an event boundary.
// HostApplication is the QApplication of the suite: its notify catches whatever a handler
// let escape, since exceptions must not cross Qt's event loop.

#include <host/forms/Form.h>

#include <QApplication>
#include <QLabel>
#include <QList>
#include <QPointer>

#include <exception>

#include <QMainWindow>
#include <QMdiArea>

namespace host {

class TApplication : public QObject {
    Q_OBJECT
public:
    static TApplication& Instance();

    // Creates a form of type T owned by the application, stores it in reference before its
    // creation handler runs, then runs FormCreate. When the creation handler raises, the
    // form is destroyed, reference is cleared and the error reaches the caller.
    template <class T> void CreateForm(T*& reference) {
        T* form = new T();
        reference = form;
        try {
            Adopt(form);
            form->DoCreate();
        } catch (...) {
            reference = nullptr;
            delete form;
            throw;
        }
    }

    void Adopt(TForm* form);
    const QList<QPointer<TForm>>& Forms() const { return forms_; }

    // The main window and its MDI area, where forms of style fsMDIChild are shown.
    void SetMainWindow(QMainWindow* window, QMdiArea* area);
    QMainWindow* MainWindow() const { return mainWindow_; }
    QMdiArea* MdiArea() const { return mdiArea_; }
    TForm* ActiveMDIChild() const { return activeChild_; }

    // What the last command reported, kept until the next one: a line of text at the left of
    // the main window's status bar ("lblMensagem", named "Mensagem" for assistive technology).
    void SetStatusText(const QString& text);
    QString StatusText() const { return statusText_; }

    // Shows an error as the default error display does (a silent abort shows nothing).
    void ShowException(std::exception_ptr error);
    void MessageBox(const QString& text, const QString& caption);

    // Destroys every form still alive (at shutdown).
    void DestroyForms();

    QString Title;

private:
    TApplication();
    void subWindowActivated(QMdiSubWindow* window);

    QList<QPointer<TForm>> forms_;
    QPointer<QMainWindow> mainWindow_;
    QPointer<QMdiArea> mdiArea_;
    QPointer<TForm> activeChild_;
    QPointer<QLabel> statusLabel_;
    QString statusText_;
};

// The application object, as the forms call it: Application->CreateForm(frmX).
struct ApplicationAccess {
    TApplication* operator->() const { return &TApplication::Instance(); }
    TApplication& operator*() const { return TApplication::Instance(); }
};
inline constexpr ApplicationAccess Application{};

class HostApplication : public QApplication {
    Q_OBJECT
public:
    HostApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace host
