#pragma once
// TForm: a window of the suite built from absolutely placed controls, with the life of the
// classic forms: created through the application (FormCreate), shown as a child window of
// the main window or on its own, shown modally through the dialogs seam, activated and
// deactivated, closed with a close action, and with one focus manager for its controls.

#include <host/core/HostTypes.h>
#include <host/forms/FocusManager.h>

#include <QPointer>
#include <QWidget>

#include <QMdiSubWindow>

namespace host {

class TControl;

class TForm : public QWidget {
    Q_OBJECT
public:
    explicit TForm(QWidget* parent = nullptr);
    ~TForm() override;

    // --- Handlers wired by name; a derived form overrides them and reaches the base
    // behaviour by calling the base method explicitly.
    virtual void FormCreate(QObject* Sender);
    virtual void FormShow(QObject* Sender);
    virtual void FormActivate(QObject* Sender);
    virtual void FormDeactivate(QObject* Sender);
    virtual void FormCloseQuery(QObject* Sender, bool& CanClose);
    virtual void FormClose(QObject* Sender, TCloseAction& Action);

    // --- Window
    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString& caption) { setWindowTitle(caption); }
    void SetClientSize(int width, int height);
    int ClientWidth() const { return width(); }
    int ClientHeight() const { return height(); }
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle style) { formStyle_ = style; }
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style);
    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons icons);
    TWindowState WindowState() const;
    void SetWindowState(TWindowState state);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition position) { position_ = position; }
    void SetHelpFile(const QString& file) { helpFile_ = file; }
    QString HelpFile() const { return helpFile_; }
    void SetHelpContext(int context) { helpContext_ = context; }
    int HelpContext() const { return helpContext_; }
    // The MDI frame around the form while it is a child window of the main window.
    QMdiSubWindow* SubWindow() const { return subWindow_; }

    // Brings the form on screen up to date before its user could see it otherwise: what
    // changed is painted at the next pass of the event loop, and the whole form at once should
    // a server call made before then last long enough to be noticed (host::LongWait).
    void RepaintBeforeWait();

    // Shows the form (a child window comes to the front) and activates it.
    void Show();
    void Hide();
    // Runs the close protocol: FormCloseQuery, FormClose with the default action, then the
    // action. Errors of the handlers reach the caller; the form then stays open. False when
    // the form refused (it stays as it was).
    bool Close();
    // Destroys the form once the current event is over.
    void Release();

    // Shows the form modally through the dialogs seam and returns its modal result.
    int ShowModal();
    bool Modal() const { return modal_; }
    int ModalResult() const { return modalResult_; }
    // A non-zero result while the form is modal closes it (through the close protocol).
    void SetModalResult(int result);

    // --- Focus
    QWidget* ActiveControl() const { return focus_.ActiveControl(); }
    void SetActiveControl(QWidget* control);
    FocusManager& Focus() { return focus_; }
    // The next (or previous) control in tab order across every container, wrapping, that can
    // take the focus (and is a tab stop when checkTabStop). nullptr when there is none.
    QWidget* FindNextControl(QWidget* current, bool forward, bool checkTabStop) const;
    void SelectNext(QWidget* current, bool forward, bool checkTabStop);

    // Component of the form by name (nullptr when absent).
    QObject* FindComponent(const QString& name) const;

    // Run by the application around the life of the form.
    void DoCreate();
    void DoActivate();
    void DoDeactivate();
    bool Active() const { return active_; }

signals:
    void modalFinished();

protected:
    bool focusNextPrevChild(bool next) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // F1 shows the form's help page (HelpFile, HelpContext).
    void keyPressEvent(QKeyEvent* event) override;

private:
    void applyAction(TCloseAction action);
    void applyWindowFlags();

    FocusManager focus_;
    TFormStyle formStyle_ = TFormStyle::fsNormal;
    TBorderStyle borderStyle_ = TBorderStyle::bsSizeable;
    TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
    TPosition position_ = TPosition::poDesigned;
    QString helpFile_;
    int helpContext_ = 0;
    QPointer<QMdiSubWindow> subWindow_;
    bool modal_ = false;
    int modalResult_ = mrNone;
    bool active_ = false;
    bool closing_ = false;
    bool shownOnce_ = false;

    friend class TApplication;
    friend class Dialogs;
};

} // namespace host
