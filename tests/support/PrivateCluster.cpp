#include "PrivateCluster.h"

#include <QProcess>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace testsupport {

namespace {

// PostgreSQL refuses to run as root: as root, its programs run as the postgres user.
void run(const QString& program, const QStringList& arguments) {
    const QString bin = QStringLiteral("/usr/lib/postgresql/15/bin/") + program;
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (::getuid() == 0)
        p.start(QStringLiteral("runuser"), QStringList{"-u", "postgres", "--", bin} + arguments);
    else
        p.start(bin, arguments);
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        throw std::runtime_error("private cluster: " + program.toStdString() + ": " +
                                 p.readAll().toStdString());
}

} // namespace

PrivateCluster::PrivateCluster() : data_(dir_.filePath(QStringLiteral("data"))) {
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0); // a port just given and taken back
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t size = sizeof address;
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), size);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    ::close(probe);
    if (::getuid() == 0)
        QProcess::execute(QStringLiteral("chown"), {QStringLiteral("postgres"), dir_.path()});
    run(QStringLiteral("initdb"), {"-D", data_, "-U", "postgres", "-A", "trust", "-E", "UTF8"});
    start();
}

PrivateCluster::~PrivateCluster() {
    try {
        pgctl({"-m", "immediate", "stop"});
    } catch (const std::exception&) {
        // already stopped
    }
}

QString PrivateCluster::url(const QString& database) const {
    return QStringLiteral("postgresql://postgres@127.0.0.1:%1/%2").arg(port_).arg(database);
}

void PrivateCluster::pgctl(const QStringList& arguments) const {
    run(QStringLiteral("pg_ctl"), QStringList{"-D", data_, "-w"} + arguments);
}

void PrivateCluster::start() {
    pgctl({"-l", data_ + "/server.log", "-o",
           QStringLiteral("-c listen_addresses=127.0.0.1 -p %1 -c unix_socket_directories=%2")
               .arg(port_)
               .arg(data_),
           "start"});
}

void PrivateCluster::stop() {
    pgctl({"-m", "fast", "stop"});
}

} // namespace testsupport
