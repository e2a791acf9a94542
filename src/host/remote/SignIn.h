#pragma once
// Signing in to the application server with a clerk's account (POST /auth/login): the
// session token then goes with every call as the access token (TNetConnection).

#include <QDateTime>
#include <QString>

namespace host {

struct SignedIn {
    QString token;
    QString user; // as the server keeps it (lower case)
    QString role; // consulta or estoque
    QDateTime expires;
};

// Raises host::EHostError with the server's message (a wrong name or password, too many
// attempts, a disabled account) or the reason the server could not be reached.
SignedIn SignIn(const QString& host, int port, const QString& user, const QString& password);

// Ends the session of the current access token; a failure is of no concern to the user, who
// is leaving.
void SignOut(const QString& host, int port);

} // namespace host
