#include <suite/SessionStart.h>

#include <host/core/Configuration.h>
#include <host/remote/Netconnection.h>
#include <suite/SignInDialog.h>

namespace suite {
namespace {

QString systemUser() {
    const QString user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
    return user.isEmpty() ? QStringLiteral("desconhecido") : user.toLower();
}

} // namespace

std::optional<Account> SignInFirst(const Backend& backend) {
    if (backend.Embedded() || !TNetConnection::AccessToken().isEmpty()) {
        const QString user = systemUser();
        TNetConnection::SetUserName(user);
        return Account{user, {}, 0};
    }
    const QString server = host::Configuration::Value(host::cfg::kServer);
    const qsizetype colon = server.lastIndexOf(QLatin1Char(':'));
    Account account{{}, server.left(colon), server.mid(colon + 1).toInt()};
    SignInDialog dialog(account.host, account.port);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    account.user = dialog.signedIn().user;
    TNetConnection::SetAccessToken(dialog.signedIn().token);
    TNetConnection::SetSessionRenewal([account] {
        SignInDialog again(account.host, account.port, account.user,
                           QStringLiteral("A sessão expirou. Digite a senha para continuar; "
                                          "o que foi digitado na tela continua lá."));
        if (again.exec() != QDialog::Accepted)
            return false;
        TNetConnection::SetAccessToken(again.signedIn().token);
        return true;
    });
    return account;
}

void SignOut(const Account& account) {
    TNetConnection::SetSessionRenewal(nullptr);
    if (!account.host.isEmpty())
        host::SignOut(account.host, account.port);
}

} // namespace suite
