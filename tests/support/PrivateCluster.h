#pragma once
// A PostgreSQL cluster of one test's own (initdb into a temporary folder, on a free loopback
// port), for tests that stop or restart the database server: the cluster the other tests share
// (scripts/pg-start.sh) is never touched.

#include <QString>
#include <QTemporaryDir>

namespace testsupport {

class PrivateCluster {
public:
    PrivateCluster(); // initialised and started; throws std::runtime_error when it cannot
    ~PrivateCluster();
    PrivateCluster(const PrivateCluster&) = delete;
    PrivateCluster& operator=(const PrivateCluster&) = delete;

    // postgresql://postgres@127.0.0.1:PORT/DATABASE
    QString url(const QString& database = QStringLiteral("postgres")) const;
    int port() const { return port_; }
    void start();
    // Fast shutdown: sessions are ended, as when an administrator restarts the server.
    void stop();
    void restart() {
        stop();
        start();
    }

private:
    void run(const QStringList& command) const;

    QTemporaryDir dir_;
    QString data_;
    int port_ = 0;
    bool running_ = false;
};

} // namespace testsupport
