// est-server: the application server as a process. Prints "listening on ADDR:PORT" once it
// accepts requests and stops cleanly on SIGTERM or SIGINT, finishing the requests under way.
#include "EmbeddedServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <pthread.h>

int main(int argc, char** argv) {
    // Every thread started from here on inherits the blocked signals; only sigwait sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("est-server"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Servidor de aplicação (Est25000, Est00000)"));
    parser.addHelpOption();
    const QCommandLineOption database(
        QStringLiteral("database"), QStringLiteral("sqlite:PATH ou postgresql://USER@HOST:PORT/DB"),
        QStringLiteral("URL"));
    const QCommandLineOption listen(QStringLiteral("listen"),
                                    QStringLiteral("Endereço (127.0.0.1)"), QStringLiteral("ADDR"),
                                    QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Porta (0 escolhe uma livre)"),
                                  QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption token(QStringLiteral("token"),
                                   QStringLiteral("Token exigido em cada requisição"),
                                   QStringLiteral("TOKEN"));
    const QCommandLineOption init(QStringLiteral("init"),
                                  QStringLiteral("Cria o esquema se faltar"));
    const QCommandLineOption demo(
        QStringLiteral("demo"), QStringLiteral("Preenche um banco vazio com dados de demonstração"),
        QStringLiteral("SCALE"));
    parser.addOptions({database, listen, port, token, init, demo});
    parser.process(app);

    server::ServerOptions options;
    options.databaseUrl = parser.value(database);
    options.listen = parser.value(listen);
    bool ok = true;
    options.port = parser.value(port).toInt(&ok);
    if (!ok || options.port < 0 || options.port > 65535 || options.databaseUrl.isEmpty()) {
        std::fprintf(stderr,
                     "est-server: --database URL is required and --port must be 0..65535\n");
        return 2;
    }
    options.token = parser.value(token);
    options.init = parser.isSet(init);
    if (parser.isSet(demo)) {
        options.demoScale = parser.value(demo).toInt(&ok);
        if (!ok || options.demoScale < 1) {
            std::fprintf(stderr, "est-server: --demo needs a scale of 1 or more\n");
            return 2;
        }
    }
    // A standalone server may face several desktops, each keeping connections open.
    options.threads = 32;

    server::EmbeddedServer server(options);
    int boundPort = 0;
    try {
        boundPort = server.start();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "est-server: %s\n", e.what());
        return 1;
    }
    std::printf("listening on %s:%d\n", options.listen.toUtf8().constData(), boundPort);
    std::fflush(stdout);

    int received = 0;
    sigwait(&stopSignals, &received);
    std::fprintf(stderr, "est-server: stopping (signal %d)\n", received);
    server.stop();
    return 0;
}
