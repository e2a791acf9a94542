#include "PrivateCluster.h"

#include <server/Database.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QThread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
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
    QFile conf(data_ + QStringLiteral("/postgresql.conf"));
    if (!conf.open(QIODevice::Append) ||
        conf.write("synchronous_standby_names = 'nenhum'\nsynchronous_commit = local\n") < 0)
        throw std::runtime_error("private cluster: cannot write postgresql.conf");
    conf.close();
    start();
}

PrivateCluster::~PrivateCluster() {
    try {
        freeze(false);
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

void PrivateCluster::set(const QString& setting, const QString& value) {
    const server::DatabaseUrl where = server::DatabaseUrl::parse(url());
    {
        server::Session admin(where, QStringLiteral("cluster-settings"));
        admin.execDirect(QStringLiteral("ALTER SYSTEM SET %1 = '%2'").arg(setting, value));
        admin.execDirect(QStringLiteral("SELECT pg_reload_conf()"));
    }
    // pg_reload_conf only signals the postmaster, which reloads and then signals the sessions
    // open: a session that the server uses at once may still run its next statement under the
    // old value. A new session showing the value was started after the postmaster reloaded,
    // so the others have been signalled by then.
    const QString show = QStringLiteral("SELECT current_setting('%1')").arg(setting);
    for (int attempt = 0; attempt < 500; ++attempt) {
        server::Session probe(where, QStringLiteral("cluster-settings-probe"));
        QSqlQuery& query = probe.run(show);
        if (query.next() && query.value(0).toString() == value)
            return;
        QThread::msleep(10);
    }
    throw std::runtime_error("the cluster did not take " + setting.toStdString());
}

void PrivateCluster::freeze(bool frozen) {
    QFile pidFile(data_ + QStringLiteral("/postmaster.pid"));
    if (!pidFile.open(QIODevice::ReadOnly))
        return;
    const QString postmaster = QString::fromLatin1(pidFile.readLine()).trimmed();
    const int signal = frozen ? SIGSTOP : SIGCONT;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": its children by their parent
        const QString text = QString::fromLatin1(stat.readAll());
        const QStringList after = text.mid(text.lastIndexOf(QLatin1Char(')')) + 2).split(' ');
        if (after.size() > 1 && after.at(1) == postmaster)
            ::kill(entry.toInt(), signal);
    }
    ::kill(postmaster.toInt(), signal);
}

} // namespace testsupport
