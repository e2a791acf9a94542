#pragma once
// "Entrar no sistema": the clerk's name and password, asked before the main window when the
// suite works with a server of the branch, and the password again when the session expired.
// Keyboard first: the name (or, asked again, the password) has the focus, Enter signs in,
// Esc cancels; a refusal is shown inside the dialog and the password is typed again.

#include <host/remote/SignIn.h>

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace suite {

class SignInDialog : public QDialog {
    Q_OBJECT
public:
    // `user` not empty: asked again for that user only, with `reason` shown above.
    SignInDialog(QString host, int port, const QString& user = {}, const QString& reason = {},
                 QWidget* parent = nullptr);
    const host::SignedIn& signedIn() const { return signedIn_; }

private:
    void signIn();

    QString host_;
    int port_;
    QLineEdit* user_;
    QLineEdit* password_;
    QLabel* message_;
    QPushButton* enter_;
    host::SignedIn signedIn_;
};

} // namespace suite
