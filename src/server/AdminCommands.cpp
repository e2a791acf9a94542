#include <server/AdminCommands.h>

#include <server/Accounts.h>
#include <server/SampleHistory.h>
#include <server/SchemaVersion.h>

#include <QCommandLineParser>
#include <QCoreApplication>

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

namespace server {
namespace {

void say(const QString& text) {
    std::fprintf(stdout, "%s\n", text.toUtf8().constData());
}

int refuse(int code, const QString& text) {
    std::fprintf(stderr, "est-server: %s\n", text.toUtf8().constData());
    return code;
}

// One line of standard input; typed at a terminal it is not echoed. Never an argument, so that
// no other user of the machine sees it (ps) and no shell history keeps it.
QString readPassword() {
    const bool terminal = isatty(STDIN_FILENO);
    termios saved{};
    if (terminal) {
        std::fprintf(stderr, "Senha: ");
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string line;
    std::getline(std::cin, line);
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::fprintf(stderr, "\n");
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return QString::fromStdString(line);
}

int users(Session& session, const QStringList& args, const QString& role) {
    const QString action = args.value(1);
    if (action == QLatin1String("list")) {
        say(QStringLiteral("%1 %2 %3")
                .arg(QStringLiteral("USUÁRIO"), -40)
                .arg(QStringLiteral("PAPEL"), -9)
                .arg(QStringLiteral("SITUAÇÃO")));
        for (const Account& account : listAccounts(session))
            say(QStringLiteral("%1 %2 %3")
                    .arg(account.name, -40)
                    .arg(account.role, -9)
                    .arg(account.active ? QStringLiteral("ativo") : QStringLiteral("desativado")));
        return 0;
    }
    const QString name = args.value(2);
    if (args.size() != (action == QLatin1String("role") ? 4 : 3))
        return refuse(2, QStringLiteral("uso: est-server users add|disable|enable|password NOME, "
                                        "users role NOME consulta|estoque, users list "
                                        "(veja --help)"));
    if (const QString why = invalidAccountName(name); !why.isEmpty())
        return refuse(2, why);
    if (action == QLatin1String("add") || action == QLatin1String("password")) {
        const QString password = readPassword();
        if (const QString why = invalidPassword(password); !why.isEmpty())
            return refuse(1, why);
        if (action == QLatin1String("add"))
            addAccount(session, name, password, role);
        else
            setAccountPassword(session, name, password);
    } else if (action == QLatin1String("disable") || action == QLatin1String("enable")) {
        setAccountActive(session, name, action == QLatin1String("enable"));
    } else if (action == QLatin1String("role")) {
        setAccountRole(session, name, args.value(3));
    } else {
        return refuse(2,
                      QStringLiteral("comando desconhecido: users %1 (veja --help)").arg(action));
    }
    say(QStringLiteral("usuário %1: feito").arg(accountKey(name)));
    return 0;
}

int history(Session& session, const QString& number) {
    if (number.isEmpty())
        return refuse(2, QStringLiteral("informe a amostra com --sample N"));
    const dataset::DataPacket packet = sampleHistory(session, number);
    if (packet.rows.isEmpty()) {
        say(QStringLiteral("A amostra %1 não tem histórico.").arg(number));
        return 0;
    }
    // Moment, user, operation, item, field: old → new.
    for (const dataset::Row& row : packet.rows) {
        QString line = QStringLiteral("%1  %2  %3")
                           .arg(row.at(0).toString(), row.at(1).toString(), row.at(2).toString());
        if (!row.at(3).toString().isEmpty())
            line += QStringLiteral("  item %1").arg(row.at(3).toString());
        if (!row.at(4).toString().isEmpty())
            line += QStringLiteral("  %1: %2 → %3")
                        .arg(row.at(4).toString(), row.at(5).toString(), row.at(6).toString());
        say(line);
    }
    return 0;
}

} // namespace

bool isAdminCommand(int argc, char** argv) {
    return argc > 1 && (std::string(argv[1]) == "users" || std::string(argv[1]) == "history");
}

int runAdminCommand(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption database(QStringLiteral("database"), QString(), QStringLiteral("URL"));
    const QCommandLineOption sample(QStringLiteral("sample"), QString(), QStringLiteral("N"));
    const QCommandLineOption role(QStringLiteral("role"), QString(), QStringLiteral("PAPEL"),
                                  kRoleEstoque);
    parser.addOptions({database, sample, role});
    if (!parser.parse(QCoreApplication::arguments()))
        return refuse(2, parser.errorText() + QStringLiteral(" (veja --help)"));
    if (!parser.isSet(database))
        return refuse(2, QStringLiteral("informe o banco de dados com --database URL"));
    try {
        const DatabaseUrl url = DatabaseUrl::parse(parser.value(database));
        Session session(url, QStringLiteral("est-server-admin"));
        requireCurrentSchema(session, url.display());
        const QStringList args = parser.positionalArguments();
        if (args.first() == QLatin1String("history"))
            return history(session, parser.value(sample).trimmed());
        return users(session, args, parser.value(role));
    } catch (const std::exception& e) {
        return refuse(1, QString::fromUtf8(e.what()));
    }
}

} // namespace server
