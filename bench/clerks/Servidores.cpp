#include "Servidores.h"

#include <QProcessEnvironment>
#include <QRegularExpression>

#include <libpq-fe.h>

#include <stdexcept>

namespace clerks {

Servidor::Servidor(const QStringList& argumentos, const QString& token) {
    QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
    ambiente.insert(QStringLiteral("EST_SERVER_TOKEN"), token);
    processo_.setProcessEnvironment(ambiente);
    processo_.setProgram(QStringLiteral(EST_SERVER_BINARY));
    processo_.setArguments(argumentos);
    processo_.setStandardErrorFile(QProcess::nullDevice()); // one log line a request
    processo_.start();
    QByteArray saida;
    static const QRegularExpression pronto(QStringLiteral("escutando em [^:]+:(\\d+)"));
    while (processo_.waitForReadyRead(600000)) {
        saida += processo_.readAllStandardOutput();
        const auto m = pronto.match(QString::fromUtf8(saida));
        if (m.hasMatch()) {
            porta_ = m.captured(1).toInt();
            return;
        }
    }
    throw std::runtime_error("est-server não subiu: " + saida.toStdString());
}

Servidor::~Servidor() {
    processo_.terminate();
    processo_.waitForFinished(20000);
}

std::string comBanco(const std::string& url, const std::string& nome) {
    const std::size_t barra = url.find('/', url.find("://") + 3);
    return (barra == std::string::npos ? url : url.substr(0, barra)) + "/" + nome;
}

namespace {

void executa(const std::string& url, const std::string& sql) {
    PGconn* c = PQconnectdb(url.c_str());
    std::string erro;
    if (PQstatus(c) != CONNECTION_OK) {
        erro = PQerrorMessage(c);
    } else {
        PGresult* r = PQexec(c, sql.c_str());
        if (PQresultStatus(r) != PGRES_COMMAND_OK)
            erro = PQerrorMessage(c);
        PQclear(r);
    }
    PQfinish(c);
    if (!erro.empty())
        throw std::runtime_error(sql + ": " + erro);
}

} // namespace

std::string criaBanco(const std::string& url, const std::string& nome) {
    apagaBanco(url, nome);
    executa(url, "CREATE DATABASE " + nome);
    return comBanco(url, nome);
}

void apagaBanco(const std::string& url, const std::string& nome) {
    executa(url, "DROP DATABASE IF EXISTS " + nome + " WITH (FORCE)");
}

} // namespace clerks
