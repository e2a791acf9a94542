// est-server: the application server as a process. Prints "escutando em ADDR:PORT" once it
// accepts requests and stops cleanly on SIGTERM or SIGINT: new connections are refused, the
// requests under way answer, and the process ends within 10 s whatever the clients do.
// The commands backup and check, and --migrate, work on the database and end; so do the
// administrator's users and history (AdminCommands).
#include <server/AdminCommands.h>
#include <server/ConfigFile.h>
#include <server/DatabaseAdmin.h>
#include <server/EmbeddedServer.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <sys/resource.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <future>
#include <pthread.h>
#include <thread>

namespace {

[[noreturn]] void fail(int code, const QString& message) {
    std::fprintf(stderr, "est-server: %s\n", message.toUtf8().constData());
    std::exit(code);
}

// Each connection is a descriptor: take every one the system allows this process.
void raiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// The token from --token, --token-file or EST_SERVER_TOKEN, in that order. A token on the
// command line can be read by every local user (ps); the file or the environment cannot.
QString accessToken(const QString& token, const QString& tokenFile) {
    if (!token.isEmpty())
        return token;
    if (!tokenFile.isEmpty()) {
        QFile file(tokenFile);
        if (!file.open(QIODevice::ReadOnly))
            fail(2, QStringLiteral("não foi possível ler o arquivo de token %1: %2")
                        .arg(file.fileName(), file.errorString()));
        const QString text = QString::fromUtf8(file.readAll()).trimmed();
        if (text.isEmpty())
            fail(2, QStringLiteral("o arquivo de token %1 está vazio").arg(file.fileName()));
        return text;
    }
    return qEnvironmentVariable("EST_SERVER_TOKEN").trimmed();
}

// backup, check or --migrate on the database; the process's exit code.
int administer(const QString& command, const server::DatabaseUrl& url, const QString& target) {
    try {
        if (command == QLatin1String("backup")) {
            if (target.isEmpty())
                fail(2, QStringLiteral("backup precisa de --to ARQUIVO"));
            server::backupDatabase(url, target);
            std::printf("cópia de %s gravada em %s\n", url.display().toUtf8().constData(),
                        target.toUtf8().constData());
            return 0;
        }
        if (command == QLatin1String("check")) {
            const QStringList problems = server::checkDatabase(url);
            for (const QString& problem : problems)
                std::printf("problema: %s\n", problem.toUtf8().constData());
            if (problems.isEmpty())
                std::printf("o banco %s está íntegro e com o esquema completo\n",
                            url.display().toUtf8().constData());
            return problems.isEmpty() ? 0 : 1;
        }
        std::printf("%s\n", server::migrateDatabase(url).toUtf8().constData());
        return 0;
    } catch (const std::exception& e) {
        fail(1, QString::fromUtf8(e.what()));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (server::isAdminCommand(argc, argv))
        return server::runAdminCommand(argc, argv);
    // Every thread started from here on inherits the blocked signals; only sigwait sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    raiseDescriptorLimit();

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("est-server"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Servidor de aplicação das amostras para processamento (Est25000.rdmAmostraProc, "
        "Est00000.rdmEstoque).\n"
        "Exige um token de acesso (--token, --token-file ou a variável EST_SERVER_TOKEN), "
        "salvo com --no-token num endereço local.\n"
        "Comandos: backup --to ARQUIVO (cópia consistente de um banco SQLite, mesmo em "
        "serviço), check (verifica a integridade do banco e as tabelas do esquema).\n\n"
        "Contas: cada funcionário entra com usuário e senha (POST /auth/login) e recebe uma "
        "sessão que vale --session-hours horas; POST /auth/logout a encerra. Papéis: estoque "
        "lê e grava amostras, consulta só lê. Quem usa o token do servidor age como o usuário "
        "do cabeçalho Est-Usuario (ou \"servidor\"). Cinco senhas erradas num minuto bloqueiam "
        "o nome por um minuto.\n"
        "  est-server users add NOME [--role consulta|estoque] --database URL  (senha pela "
        "entrada padrão)\n"
        "  est-server users disable|enable|password NOME --database URL\n"
        "  est-server users role NOME consulta|estoque --database URL\n"
        "  est-server users list --database URL\n"
        "Histórico: cada inclusão, alteração e exclusão de amostra ou item grava em AUDITORIA "
        "o momento, o usuário, a operação e cada campo (anterior e novo).\n"
        "  est-server history --sample N --database URL"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Mostra esta ajuda."));
    parser.addOption(help);
    const QCommandLineOption database(
        QStringLiteral("database"),
        QStringLiteral("Banco de dados: sqlite:CAMINHO ou postgresql://USUÁRIO@HOST:PORTA/BANCO."),
        QStringLiteral("URL"));
    const QCommandLineOption listen(QStringLiteral("listen"),
                                    QStringLiteral("Endereço em que escuta (padrão 127.0.0.1)."),
                                    QStringLiteral("ENDEREÇO"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Porta (0 escolhe uma livre; padrão 0)."),
                                  QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption token(
        QStringLiteral("token"),
        QStringLiteral("Token exigido em cada requisição (visível a outros usuários da máquina; "
                       "prefira --token-file ou EST_SERVER_TOKEN)."),
        QStringLiteral("TOKEN"));
    const QCommandLineOption tokenFile(QStringLiteral("token-file"),
                                       QStringLiteral("Arquivo que contém o token."),
                                       QStringLiteral("ARQUIVO"));
    const QCommandLineOption noToken(
        QStringLiteral("no-token"),
        QStringLiteral("Dispensa o token (só num endereço local, 127.0.0.1 ou ::1)."));
    const QCommandLineOption hostName(
        QStringLiteral("host-name"),
        QStringLiteral("Nome pelo qual os clientes chamam este servidor (cabeçalho Host); "
                       "pode repetir. Endereços IP, localhost e o nome da máquina valem sempre."),
        QStringLiteral("NOME"));
    const QCommandLineOption tlsCert(QStringLiteral("tls-cert"),
                                     QStringLiteral("Certificado (PEM): o servidor fala só TLS."),
                                     QStringLiteral("ARQUIVO"));
    const QCommandLineOption tlsKey(QStringLiteral("tls-key"),
                                    QStringLiteral("Chave privada (PEM) do certificado."),
                                    QStringLiteral("ARQUIVO"));
    const QCommandLineOption init(QStringLiteral("init"),
                                  QStringLiteral("Cria o esquema do banco se faltar."));
    const QCommandLineOption demo(
        QStringLiteral("demo"),
        QStringLiteral("Preenche um banco vazio com dados de demonstração na escala dada."),
        QStringLiteral("ESCALA"));
    const QCommandLineOption sessionHours(
        QStringLiteral("session-hours"),
        QStringLiteral("Horas que vale uma sessão aberta com usuário e senha (padrão 12)."),
        QStringLiteral("N"), QStringLiteral("12"));
    const QCommandLineOption migrate(
        QStringLiteral("migrate"),
        QStringLiteral("Atualiza o esquema do banco para a versão deste servidor, numa só "
                       "transação, e termina."));
    const QCommandLineOption config(
        QStringLiteral("config"),
        QStringLiteral("Arquivo de configuração: linhas nome = valor com os nomes database, "
                       "listen, port, token-file, host-name, tls-cert e tls-key; as opções da "
                       "linha de comando prevalecem."),
        QStringLiteral("ARQUIVO"));
    const QCommandLineOption to(QStringLiteral("to"),
                                QStringLiteral("Arquivo em que o comando backup grava a cópia."),
                                QStringLiteral("ARQUIVO"));
    parser.addOptions({database, listen, port, token, tokenFile, noToken, hostName, tlsCert, tlsKey,
                       init, demo, migrate, config, to, sessionHours});
    parser.addPositionalArgument(QStringLiteral("comando"),
                                 QStringLiteral("backup ou check; sem comando, serve."),
                                 QStringLiteral("[comando]"));
    if (!parser.parse(QCoreApplication::arguments()))
        fail(2, parser.errorText() + QStringLiteral(" (veja --help)"));
    if (parser.isSet(help)) {
        std::printf("%s", parser.helpText().toUtf8().constData());
        return 0;
    }
    server::ConfigSettings settings;
    if (parser.isSet(config)) {
        try {
            settings = server::readConfigFile(
                parser.value(config),
                {QStringLiteral("database"), QStringLiteral("listen"), QStringLiteral("port"),
                 QStringLiteral("token-file"), QStringLiteral("host-name"),
                 QStringLiteral("tls-cert"), QStringLiteral("tls-key")});
        } catch (const std::exception& e) {
            fail(2, QString::fromUtf8(e.what()));
        }
    }
    // An option given on the command line, else in the file, else its default.
    const auto values = [&](const QCommandLineOption& option) {
        if (parser.isSet(option))
            return parser.values(option);
        QStringList found;
        for (const auto& [name, value] : settings)
            if (option.names().contains(name))
                found << value;
        return found.isEmpty() ? option.defaultValues() : found;
    };
    const auto value = [&](const QCommandLineOption& option) { return values(option).value(0); };

    server::ServerOptions options;
    options.databaseUrl = value(database);
    if (options.databaseUrl.isEmpty())
        fail(2, QStringLiteral("informe o banco de dados com --database URL (veja --help)"));
    const QStringList positional = parser.positionalArguments();
    const QString command = positional.value(0);
    if (positional.size() > 1 || !(command.isEmpty() || command == QLatin1String("backup") ||
                                   command == QLatin1String("check")))
        fail(2, QStringLiteral("comando desconhecido: %1 (veja --help)").arg(positional.join(' ')));
    if (!command.isEmpty() || parser.isSet(migrate)) {
        try {
            return administer(command, server::DatabaseUrl::parse(options.databaseUrl),
                              parser.value(to));
        } catch (const std::exception& e) {
            fail(2, QString::fromUtf8(e.what()));
        }
    }
    options.listen = value(listen);
    bool ok = true;
    options.port = value(port).toInt(&ok);
    if (!ok || options.port < 0 || options.port > 65535)
        fail(2, QStringLiteral("--port deve estar entre 0 e 65535"));
    options.token = accessToken(value(token), value(tokenFile));
    const bool loopback = server::isLoopbackAddress(options.listen.toStdString());
    if (options.token.isEmpty() && !parser.isSet(noToken))
        fail(2, QStringLiteral("nenhum token de acesso: use --token-file, EST_SERVER_TOKEN ou "
                               "--token (ou --no-token num endereço local)"));
    if (parser.isSet(noToken) && !options.token.isEmpty())
        fail(2, QStringLiteral("--no-token não combina com um token"));
    if (parser.isSet(noToken) && !loopback)
        fail(2, QStringLiteral("--no-token só é aceito num endereço local (127.0.0.1 ou ::1)"));
    options.tlsCertFile = value(tlsCert);
    options.tlsKeyFile = value(tlsKey);
    if (options.tlsCertFile.isEmpty() != options.tlsKeyFile.isEmpty())
        fail(2, QStringLiteral("--tls-cert e --tls-key andam juntos"));
    options.hostNames = values(hostName);
    options.init = parser.isSet(init);
    if (parser.isSet(demo)) {
        options.demoScale = parser.value(demo).toInt(&ok);
        if (!ok || options.demoScale < 1)
            fail(2, QStringLiteral("--demo precisa de uma escala de 1 ou mais"));
    }
    const int hours = parser.value(sessionHours).toInt(&ok);
    if (!ok || hours < 1 || hours > 24 * 7)
        fail(2, QStringLiteral("--session-hours deve estar entre 1 e 168"));
    options.sessionLife = std::chrono::hours(hours);
    // Each worker thread keeps one database connection; the connections of the clients cost
    // no thread.
    options.threads = 16;
    options.ioThreads = 2;
    if (!loopback)
        std::fprintf(stderr, "est-server: aviso: escutando além da máquina local (%s)%s\n",
                     options.listen.toUtf8().constData(),
                     options.tlsCertFile.isEmpty()
                         ? ": sem TLS, o token e os dados passam em claro pela rede"
                         : "");

    server::EmbeddedServer server(options);
    int boundPort = 0;
    try {
        boundPort = server.start();
    } catch (const std::exception& e) {
        fail(1, QString::fromUtf8(e.what()));
    }
    std::printf("escutando em %s:%d\n", options.listen.toUtf8().constData(), boundPort);
    std::fflush(stdout);

    int received = 0;
    sigwait(&stopSignals, &received);
    std::fprintf(stderr, "est-server: parando (sinal %d)\n", received);
    // The transport gives the requests under way 8 s; a database that does not let go in
    // time must not keep the process beyond 10 s.
    auto stopped = std::async(std::launch::async, [&server] { server.stop(); });
    if (stopped.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        std::fprintf(stderr, "est-server: parada forçada após 10 s\n");
        std::fflush(stderr);
        std::_Exit(1);
    }
    return 0;
}
