#pragma once
// The accounts that sign in (table USUARIO): names case-insensitive, passwords kept only as
// Argon2id hashes (libsodium), a role that says whether the account may store samples.

#include <server/Database.h>

#include <QList>
#include <QString>

#include <optional>

namespace server {

inline const QString kRoleConsulta = QStringLiteral("consulta"); // reads only
inline const QString kRoleEstoque = QStringLiteral("estoque");   // reads and stores samples

struct Account {
    QString name; // lower case
    QString role;
    bool active = true;
};

// Argon2id hash in libsodium's text form (salt and costs included). Throws std::runtime_error
// when libsodium cannot start or is out of memory.
QString hashPassword(const QString& password);
bool passwordMatches(const QString& hash, const QString& password);

// The name as stored: trimmed, lower case.
QString accountKey(const QString& name);
// Why the name or the password cannot be used; empty when they can.
QString invalidAccountName(const QString& name);
QString invalidPassword(const QString& password);

// Each throws std::runtime_error with a message for the administrator when the account is
// missing (or, for addAccount, already there).
void addAccount(Session& session, const QString& name, const QString& password,
                const QString& role);
void setAccountActive(Session& session, const QString& name, bool active);
void setAccountRole(Session& session, const QString& name, const QString& role);
void setAccountPassword(Session& session, const QString& name, const QString& password);
QList<Account> listAccounts(Session& session);

// The account and its hash, when the name exists.
struct StoredAccount {
    Account account;
    QString hash;
};
std::optional<StoredAccount> findAccount(Session& session, const QString& name);

} // namespace server
