#include <host/database/DbGeral.h>

#include <host/core/Configuration.h>
#include <host/core/DatabaseRead.h>
#include <host/core/Exceptions.h>

#include <QCoreApplication>
#include <QDebug>
#include <QPointer>
#include <QSqlError>
#include <QTimer>
#include <QUrl>

namespace dtmDBGeral {
namespace {

const QString kConnection = QStringLiteral("dtmDBGeral");
constexpr int kDefaultIdleSeconds = 300;

struct State {
    QString url;
    int idleSeconds = kDefaultIdleSeconds;
    QPointer<QTimer> idle;
};

State& state() {
    static State s;
    return s;
}

void disconnect() {
    if (!QSqlDatabase::contains(kConnection))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(kConnection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(kConnection);
}

// What the user reads about the database: the place, never its password.
QString describe(const QString& url) {
    QUrl parsed(url);
    parsed.setPassword(QString());
    return url.startsWith(QLatin1String("sqlite:")) ? url.mid(7)
                                                    : parsed.toString(QUrl::RemoveUserInfo);
}

QSqlDatabase openConnection(const QString& url) {
    disconnect();
    QSqlDatabase db;
    if (url.startsWith(QLatin1String("sqlite:"))) {
        QString path = url.mid(7);
        if (path.startsWith(QLatin1String("//")))
            path = path.mid(2);
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    } else {
        const QUrl parsed(url, QUrl::StrictMode);
        if (!parsed.isValid() || !parsed.scheme().startsWith(QLatin1String("postgres")))
            throw host::EHostError(
                QStringLiteral("Endereço de banco de dados inválido: %1").arg(describe(url)));
        db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), kConnection);
        db.setHostName(parsed.host());
        db.setPort(parsed.port(5432));
        db.setUserName(parsed.userName());
        db.setPassword(parsed.password());
        db.setDatabaseName(parsed.path().mid(1));
        // Named, so an administrator tells the desktops' connections apart; keepalives so a
        // connection whose peer vanished is noticed instead of waited on.
        db.setConnectOptions(QStringLiteral("connect_timeout=10;application_name=est-suite;"
                                            "keepalives=1;keepalives_idle=60"));
    }
    if (!db.open()) {
        qWarning().noquote() << "banco de dados" << describe(url) << ":" << db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(kConnection);
        throw host::EHostError(
            QStringLiteral("Não foi possível abrir o banco de dados %1. Verifique se o servidor "
                           "de banco de dados está no ar e tente de novo; se persistir, avise o "
                           "administrador do sistema.")
                .arg(describe(url)));
    }
    return db;
}

// Restarts the idle countdown; without an event loop (a program with no application) the
// connection just stays open.
void touch() {
    State& s = state();
    if (s.idleSeconds <= 0 || !QCoreApplication::instance())
        return;
    if (!s.idle) {
        s.idle = new QTimer(QCoreApplication::instance());
        s.idle->setSingleShot(true);
        QObject::connect(s.idle, &QTimer::timeout, [] { disconnect(); });
    }
    s.idle->start(s.idleSeconds * 1000);
}

} // namespace

void Open(const QString& url) {
    Close();
    bool ok = false;
    const int idle = host::Configuration::Value(host::cfg::kDatabaseIdle).trimmed().toInt(&ok);
    state().idleSeconds = ok && idle >= 0 ? idle : kDefaultIdleSeconds;
    openConnection(url);
    state().url = url;
    touch();
}

bool IsOpen() {
    return !state().url.isEmpty();
}

bool IsConnected() {
    return QSqlDatabase::contains(kConnection) &&
           QSqlDatabase::database(kConnection, false).isOpen();
}

QSqlDatabase Database() {
    if (!IsOpen())
        throw host::EHostError(QStringLiteral("O banco de dados não está aberto."));
    QSqlDatabase db =
        IsConnected() ? QSqlDatabase::database(kConnection, false) : openConnection(state().url);
    touch();
    return db;
}

QSqlQuery Exec(const QString& sql, const QVariantHash& values) {
    return host::ReadWithRetry(&Database, sql, values);
}

void Close() {
    State& s = state();
    s.url.clear();
    if (s.idle)
        s.idle->stop();
    disconnect();
}

int IdleSeconds() {
    return state().idleSeconds;
}

} // namespace dtmDBGeral
