#pragma once
// A PostgreSQL cluster of one test's own (initdb in a temporary folder, a free loopback port)
// for tests that stop, restart or freeze the database server or change its settings; the
// shared one is never touched. Synchronous replication names a standby that never comes:
// commits wait for it only once synchronous_commit is set to "on" (it starts "local").

#include <QString>
#include <QTemporaryDir>

namespace testsupport {

class PrivateCluster {
public:
    PrivateCluster(); // started; throws std::runtime_error when it cannot be
    ~PrivateCluster();
    QString url(const QString& database = QStringLiteral("postgres")) const;
    void start();
    void stop(); // fast shutdown: the sessions end, as at an administrator's restart
    void restart() { stop(), start(); }
    // ALTER SYSTEM SET and reload: every session takes it up.
    void set(const QString& setting, const QString& value);
    // SIGSTOP (or SIGCONT) to the postmaster and every process of it.
    void freeze(bool frozen);

private:
    void pgctl(const QStringList& arguments) const;
    QTemporaryDir dir_;
    QString data_;
    int port_ = 0;
};

} // namespace testsupport
