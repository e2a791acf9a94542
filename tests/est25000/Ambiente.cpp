#include "Ambiente.h"

#include <host/core/Configuration.h>
#include <host/database/DbGeral.h>
#include <host/library/Quorvan.h>
#include <host/remote/Netconnection.h>
#include <server/EmbeddedServer.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QUuid>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <stdexcept>

namespace est25000::teste {

namespace {

struct Recursos {
    QTemporaryDir pasta;
    std::unique_ptr<server::EmbeddedServer> servidor;
};

Recursos& recursos() {
    static Recursos r;
    return r;
}

} // namespace

Ambiente& Ambiente::instancia() {
    static Ambiente ambiente;
    return ambiente;
}

Ambiente::Ambiente() {
    Recursos& r = recursos();
    if (!r.pasta.isValid())
        throw std::runtime_error("no temporary folder");
    // A child process of a test (the journal's) works on its parent's server and database.
    const QStringList pai = qEnvironmentVariable("EST_TESTE_AMBIENTE").split(QLatin1Char('|'));
    if (pai.size() == 3) {
        urlBanco_ = pai[0];
        porta_ = pai[1].toInt();
        token_ = pai[2];
        configura();
        return;
    }
    urlBanco_ = QStringLiteral("sqlite:") + r.pasta.filePath(QStringLiteral("est.db"));
    token_ = QUuid::createUuid().toString(QUuid::WithoutBraces);

    server::ServerOptions opcoes;
    opcoes.databaseUrl = urlBanco_;
    opcoes.token = token_;
    opcoes.init = true;
    opcoes.demoScale = 1;
    // One worker per keep-alive connection of the screen (three) and one for the filter: with
    // fewer, a call waits for an idle connection's keep-alive to end.
    opcoes.threads = 4;
    r.servidor = std::make_unique<server::EmbeddedServer>(opcoes);
    porta_ = r.servidor->start();
    // The server's threads and the shared connection go before Qt's own globals do.
    qAddPostRoutine([] {
        if (dtmDBGeral::IsOpen())
            dtmDBGeral::Close();
        if (recursos().servidor)
            recursos().servidor->stop();
        recursos().servidor.reset();
    });
    configura();
}

QString Ambiente::paraFilho() const {
    return QStringLiteral("%1|%2|%3").arg(urlBanco_).arg(porta_).arg(token_);
}

void Ambiente::configura() {
    host::Configuration::Override(host::cfg::kServer, QStringLiteral("127.0.0.1:%1").arg(porta_));
    host::Configuration::Override(host::cfg::kToken, token_);
    host::Configuration::Override(host::cfg::kDatabase, urlBanco_);
    host::Configuration::Override(host::cfg::kPicture, QStringLiteral("9.99.999"));
    host::Configuration::Override(host::cfg::kBranch, QStringLiteral("0001"));
    TNetConnection::SetAccessToken(token_);
    dtmDBGeral::Open(urlBanco_);
    separadores(QLatin1Char(','), QLatin1Char('.'));
}

void Ambiente::separadores(QChar decimal, QChar milhar) {
    host::Configuration::Override(host::cfg::kDecimal, QString(decimal));
    host::Configuration::Override(host::cfg::kThousands, QString(milhar));
    host::Configuration::ApplySeparators();
}

int Ambiente::portaSemServidor() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in endereco{};
    endereco.sin_family = AF_INET;
    endereco.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t tamanho = sizeof endereco;
    int porta = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&endereco), tamanho) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&endereco), &tamanho) == 0)
        porta = ntohs(endereco.sin_port);
    ::close(s);
    return porta;
}

} // namespace est25000::teste
