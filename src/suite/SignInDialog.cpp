#include <suite/SignInDialog.h>

#include <host/core/Exceptions.h>

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace suite {

SignInDialog::SignInDialog(QString host, int port, const QString& user, const QString& reason,
                           QWidget* parent)
    : QDialog(parent), host_(std::move(host)), port_(port), user_(new QLineEdit(this)),
      password_(new QLineEdit(this)), message_(new QLabel(reason, this)) {
    setObjectName(QStringLiteral("dlgEntrar"));
    setWindowTitle(QStringLiteral("Entrar no sistema"));
    user_->setObjectName(QStringLiteral("edtUsuario"));
    user_->setText(user);
    user_->setReadOnly(!user.isEmpty());
    user_->setMaxLength(40);
    password_->setObjectName(QStringLiteral("edtSenha"));
    password_->setEchoMode(QLineEdit::Password);
    message_->setObjectName(QStringLiteral("lblAviso"));
    message_->setWordWrap(true);
    message_->setVisible(!reason.isEmpty());

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Usuário:"), user_);
    form->addRow(QStringLiteral("&Senha:"), password_);
    auto* buttons = new QDialogButtonBox(this);
    enter_ = buttons->addButton(QStringLiteral("&Entrar"), QDialogButtonBox::AcceptRole);
    enter_->setObjectName(QStringLiteral("btnEntrar"));
    enter_->setDefault(true);
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("&Cancelar"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btnCancelar"));
    connect(buttons, &QDialogButtonBox::accepted, this, &SignInDialog::signIn);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message_);
    layout->addLayout(form);
    layout->addWidget(buttons);
    (user.isEmpty() ? user_ : password_)->setFocus();
}

void SignInDialog::signIn() {
    if (user_->text().trimmed().isEmpty()) {
        user_->setFocus();
        return;
    }
    try {
        signedIn_ = host::SignIn(host_, port_, user_->text().trimmed(), password_->text());
    } catch (const host::EHostError& e) {
        message_->setText(e.message());
        message_->setVisible(true);
        password_->clear();
        password_->setFocus();
        return;
    }
    password_->clear();
    accept();
}

} // namespace suite
