// est-server: the application server as a process. Prints "escutando em ADDR:PORT" once it
// accepts requests and stops cleanly on SIGTERM or SIGINT: new connections are refused, the
// requests under way answer, and the process ends within 10 s whatever the clients do.
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
QString accessToken(const QCommandLineParser& parser, const QCommandLineOption& token,
                    const QCommandLineOption& tokenFile) {
    if (parser.isSet(token))
        return parser.value(token);
    if (parser.isSet(tokenFile)) {
        QFile file(parser.value(tokenFile));
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

} // namespace

int main(int argc, char** argv) {
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
        "salvo com --no-token num endereço local."));
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
    parser.addOptions(
        {database, listen, port, token, tokenFile, noToken, hostName, tlsCert, tlsKey, init, demo});
    if (!parser.parse(QCoreApplication::arguments()))
        fail(2, parser.errorText() + QStringLiteral(" (veja --help)"));
    if (parser.isSet(help)) {
        std::printf("%s", parser.helpText().toUtf8().constData());
        return 0;
    }

    server::ServerOptions options;
    options.databaseUrl = parser.value(database);
    options.listen = parser.value(listen);
    bool ok = true;
    options.port = parser.value(port).toInt(&ok);
    if (options.databaseUrl.isEmpty())
        fail(2, QStringLiteral("informe o banco de dados com --database URL (veja --help)"));
    if (!ok || options.port < 0 || options.port > 65535)
        fail(2, QStringLiteral("--port deve estar entre 0 e 65535"));
    options.token = accessToken(parser, token, tokenFile);
    const bool loopback = server::isLoopbackAddress(options.listen.toStdString());
    if (options.token.isEmpty() && !parser.isSet(noToken))
        fail(2, QStringLiteral("nenhum token de acesso: use --token-file, EST_SERVER_TOKEN ou "
                               "--token (ou --no-token num endereço local)"));
    if (parser.isSet(noToken) && !options.token.isEmpty())
        fail(2, QStringLiteral("--no-token não combina com um token"));
    if (parser.isSet(noToken) && !loopback)
        fail(2, QStringLiteral("--no-token só é aceito num endereço local (127.0.0.1 ou ::1)"));
    if (parser.isSet(tlsCert) != parser.isSet(tlsKey))
        fail(2, QStringLiteral("--tls-cert e --tls-key andam juntos"));
    options.tlsCertFile = parser.value(tlsCert);
    options.tlsKeyFile = parser.value(tlsKey);
    options.hostNames = parser.values(hostName);
    options.init = parser.isSet(init);
    if (parser.isSet(demo)) {
        options.demoScale = parser.value(demo).toInt(&ok);
        if (!ok || options.demoScale < 1)
            fail(2, QStringLiteral("--demo precisa de uma escala de 1 ou mais"));
    }
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
