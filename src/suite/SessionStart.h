#pragma once
// Who works in the suite. With the embedded default, or a server reached with its own token
// (--token, for service use), the operating system's user, whose name goes to the server for
// the history. With a server of the branch and no token, the clerk signs in ("Entrar no
// sistema") before the main window, and types the password again when the session expires:
// the call that found it expired is then repeated, so the sample being typed is not lost.

#include <suite/EmbeddedDefault.h>

#include <QString>

#include <optional>

namespace suite {

struct Account {
    QString user;
    QString host; // the server signed in to; empty when no session was opened
    int port = 0;
};

// nullopt when the clerk cancels the sign-in.
std::optional<Account> SignInFirst(const Backend& backend);
// Ends the session opened by SignInFirst, if any.
void SignOut(const Account& account);

} // namespace suite
