#pragma once
// The suite's main window: child windows in an MDI area, the stock menu with the entry that
// opens the sample screen from its package, and the connection facts in the status bar.

#include <host/forms/PackageLoader.h>

#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>

namespace suite {

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(host::PackageLoader& package);
    QMdiArea* Area() const { return area_; }
    // The menu entry's action: loads the package when needed and calls IniProc; failures are
    // shown to the user.
    void OpenAmostras();
    void SetStatus(const QString& text);
    // "Usuário: NAME" in the status bar, beside the connection facts.
    void SetUser(const QString& name);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    host::PackageLoader& package_;
    QMdiArea* area_;
    QLabel* status_ = nullptr;
    QLabel* user_ = nullptr;
};

} // namespace suite
