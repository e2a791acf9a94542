#include "PrivateCluster.h"

#include <QFile>
#include <QProcess>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace testsupport {

namespace {

const QString kBin = QStringLiteral("/usr/lib/postgresql/15/bin/");

int freePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::close(s);
    return port;
}

} // namespace

// PostgreSQL refuses to run as root: as root, the cluster belongs to the postgres user.
void PrivateCluster::run(const QStringList& command) const {
    QStringList arguments = command;
    QString program = arguments.takeFirst();
    if (::getuid() == 0) {
        arguments.prepend(program);
        arguments =
            QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--")} +
            arguments;
        program = QStringLiteral("runuser");
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        throw std::runtime_error("private cluster: " + command.join(' ').toStdString() + ": " +
                                 process.readAll().toStdString());
}

PrivateCluster::PrivateCluster() {
    if (!dir_.isValid())
        throw std::runtime_error("private cluster: no temporary folder");
    data_ = dir_.filePath(QStringLiteral("data"));
    if (::getuid() == 0) {
        QFile::setPermissions(dir_.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                               QFileDevice::ExeOther);
        QProcess::execute(QStringLiteral("install"),
                          {QStringLiteral("-d"), QStringLiteral("-o"), QStringLiteral("postgres"),
                           QStringLiteral("-m"), QStringLiteral("700"), data_});
    }
    run({kBin + QStringLiteral("initdb"), QStringLiteral("-D"), data_, QStringLiteral("-U"),
         QStringLiteral("postgres"), QStringLiteral("-A"), QStringLiteral("trust"),
         QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C.UTF-8")});
    port_ = freePort();
    start();
}

PrivateCluster::~PrivateCluster() {
    try {
        if (running_)
            run({kBin + QStringLiteral("pg_ctl"), QStringLiteral("-D"), data_, QStringLiteral("-m"),
                 QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")});
    } catch (const std::exception&) {
        // the folder goes anyway; a leftover postmaster ends when it finds its data gone
    }
}

QString PrivateCluster::url(const QString& database) const {
    return QStringLiteral("postgresql://postgres@127.0.0.1:%1/%2").arg(port_).arg(database);
}

void PrivateCluster::start() {
    run({kBin + QStringLiteral("pg_ctl"), QStringLiteral("-D"), data_, QStringLiteral("-l"),
         data_ + QStringLiteral("/server.log"), QStringLiteral("-w"), QStringLiteral("-o"),
         QStringLiteral("-c listen_addresses=127.0.0.1 -p %1 -c unix_socket_directories=%2 "
                        "-c fsync=off")
             .arg(port_)
             .arg(data_),
         QStringLiteral("start")});
    running_ = true;
}

void PrivateCluster::stop() {
    run({kBin + QStringLiteral("pg_ctl"), QStringLiteral("-D"), data_, QStringLiteral("-m"),
         QStringLiteral("fast"), QStringLiteral("-w"), QStringLiteral("stop")});
    running_ = false;
}

} // namespace testsupport
