#include <server/Accounts.h>

#include <sodium.h>

#include <stdexcept>

namespace server {
namespace {

void startSodium() {
    static const bool started = sodium_init() >= 0;
    if (!started)
        throw std::runtime_error("libsodium não pôde ser iniciada");
}

// Updates one account; refuses a name that does not exist.
void updateAccount(Session& session, const QString& name, const QString& set,
                   const QVariant& value) {
    Transaction transaction(session);
    QSqlQuery& query = session.run(
        QStringLiteral("UPDATE USUARIO SET %1 = :VALOR WHERE NMUSUARIO = :NMUSUARIO").arg(set),
        {{QStringLiteral("VALOR"), value}, {QStringLiteral("NMUSUARIO"), accountKey(name)}});
    const int changed = query.numRowsAffected();
    query.finish();
    if (changed != 1)
        throw std::runtime_error(
            QStringLiteral("usuário %1 não existe").arg(accountKey(name)).toStdString());
    transaction.commit();
}

void requireRole(const QString& role) {
    if (role != kRoleConsulta && role != kRoleEstoque)
        throw std::runtime_error("papel deve ser consulta ou estoque");
}

} // namespace

QString hashPassword(const QString& password) {
    startSodium();
    const QByteArray text = password.toUtf8();
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, text.constData(), static_cast<unsigned long long>(text.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw std::runtime_error("memória insuficiente para calcular o hash da senha");
    return QString::fromLatin1(hash);
}

bool passwordMatches(const QString& hash, const QString& password) {
    startSodium();
    const QByteArray text = password.toUtf8();
    return crypto_pwhash_str_verify(hash.toLatin1().constData(), text.constData(),
                                    static_cast<unsigned long long>(text.size())) == 0;
}

QString accountKey(const QString& name) {
    return name.trimmed().toLower();
}

QString invalidAccountName(const QString& name) {
    const QString key = accountKey(name);
    if (key.isEmpty() || key.size() > 40)
        return QStringLiteral("o nome do usuário deve ter de 1 a 40 caracteres");
    for (const QChar c : key)
        if (!c.isLetterOrNumber() && c != u'.' && c != u'_' && c != u'-')
            return QStringLiteral("o nome do usuário aceita só letras, dígitos, '.', '_' e '-'");
    return {};
}

QString invalidPassword(const QString& password) {
    if (password.size() < 8)
        return QStringLiteral("a senha deve ter ao menos 8 caracteres");
    return {};
}

void addAccount(Session& session, const QString& name, const QString& password,
                const QString& role) {
    requireRole(role);
    const QString hash = hashPassword(password);
    Transaction transaction(session);
    if (findAccount(session, name))
        throw std::runtime_error(
            QStringLiteral("usuário %1 já existe").arg(accountKey(name)).toStdString());
    session
        .run(QStringLiteral("INSERT INTO USUARIO (NMUSUARIO, DSSENHA, IDPAPEL, IDATIVO)"
                            " VALUES (:NMUSUARIO, :DSSENHA, :IDPAPEL, 'S')"),
             {{QStringLiteral("NMUSUARIO"), accountKey(name)},
              {QStringLiteral("DSSENHA"), hash},
              {QStringLiteral("IDPAPEL"), role}})
        .finish();
    transaction.commit();
}

void setAccountActive(Session& session, const QString& name, bool active) {
    updateAccount(session, name, QStringLiteral("IDATIVO"),
                  active ? QStringLiteral("S") : QStringLiteral("N"));
}

void setAccountRole(Session& session, const QString& name, const QString& role) {
    requireRole(role);
    updateAccount(session, name, QStringLiteral("IDPAPEL"), role);
}

void setAccountPassword(Session& session, const QString& name, const QString& password) {
    updateAccount(session, name, QStringLiteral("DSSENHA"), hashPassword(password));
}

QList<Account> listAccounts(Session& session) {
    QSqlQuery& query = session.run(
        QStringLiteral("SELECT NMUSUARIO, IDPAPEL, IDATIVO FROM USUARIO ORDER BY NMUSUARIO"));
    QList<Account> accounts;
    while (query.next())
        accounts.append({query.value(0).toString(), query.value(1).toString(),
                         query.value(2).toString() == QLatin1String("S")});
    query.finish();
    return accounts;
}

std::optional<StoredAccount> findAccount(Session& session, const QString& name) {
    QSqlQuery& query = session.run(QStringLiteral("SELECT NMUSUARIO, IDPAPEL, IDATIVO, DSSENHA"
                                                  " FROM USUARIO WHERE NMUSUARIO = :NMUSUARIO"),
                                   {{QStringLiteral("NMUSUARIO"), accountKey(name)}});
    std::optional<StoredAccount> found;
    if (query.next())
        found = StoredAccount{{query.value(0).toString(), query.value(1).toString(),
                               query.value(2).toString() == QLatin1String("S")},
                              query.value(3).toString()};
    query.finish();
    return found;
}

} // namespace server
