#pragma once
// The application servers of the bench: est-server processes on one PostgreSQL database,
// each on a free loopback port, stopped (SIGTERM) when the bench ends.

#include <QProcess>
#include <QStringList>

#include <memory>
#include <vector>

namespace clerks {

class Servidor {
public:
    // Starts est-server with these arguments and waits until it listens.
    Servidor(const QStringList& argumentos, const QString& token);
    ~Servidor();
    int porta() const { return porta_; }

private:
    QProcess processo_;
    int porta_ = 0;
};

// A scratch database on the cluster of url (dropped first if it is there): answers its URL.
std::string criaBanco(const std::string& url, const std::string& nome);
void apagaBanco(const std::string& url, const std::string& nome);
// The URL with another database name.
std::string comBanco(const std::string& url, const std::string& nome);

} // namespace clerks
