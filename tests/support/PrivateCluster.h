#pragma once
// A PostgreSQL cluster of one test's own (initdb in a temporary folder, a free loopback port)
// for tests that stop or restart the database server; the shared one is never touched.

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

private:
    void pgctl(const QStringList& arguments) const;
    QTemporaryDir dir_;
    QString data_;
    int port_ = 0;
};

} // namespace testsupport
