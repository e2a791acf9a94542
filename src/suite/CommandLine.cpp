#include <suite/CommandLine.h>

#include <QFileInfo>

namespace suite {

namespace {

struct Option {
    const char* name;
    const char* value; // nullptr: a switch
    const char* help;
};

constexpr Option kOptions[] = {
    {"server", "host:porta", "Servidor de aplicação; sem ele, a suíte usa o servidor embutido."},
    {"token", "token",
     "Token do próprio servidor de aplicação (uso de serviço). Sem ele, com --server, o "
     "sistema pede usuário e senha (Entrar no sistema)."},
    {"tls-ca", "arquivo",
     "Certificado (PEM) da autoridade que assina o do servidor: a conexão passa a usar TLS."},
    {"database", "url",
     "Banco para as leituras diretas (sqlite:ARQUIVO ou postgresql://...); obrigatório com "
     "--server."},
    {"branch", "código", "Filial de trabalho (padrão 0001)."},
    {"open", "tela", "Tela aberta ao iniciar (padrão EST25000; --open= não abre nenhuma)."},
    {"exit-when-shown", nullptr, "Mede a partida, mostra os tempos e encerra."},
    {"screenshot", "arquivo", "Grava a imagem da janela principal e encerra."},
    {"help", nullptr, "Mostra esta ajuda e encerra."},
};

// Options of Qt's own that take a value (QApplication reads them).
const QStringList kQtOptionsWithValue = {
    QStringLiteral("platform"),        QStringLiteral("platformpluginpath"),
    QStringLiteral("platformtheme"),   QStringLiteral("plugin"),
    QStringLiteral("qwindowgeometry"), QStringLiteral("qwindowicon"),
    QStringLiteral("qwindowtitle"),    QStringLiteral("style"),
    QStringLiteral("stylesheet"),      QStringLiteral("geometry"),
    QStringLiteral("title"),           QStringLiteral("display"),
};
const QStringList kQtSwitches = {QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                                 QStringLiteral("nograb"), QStringLiteral("dograb"),
                                 QStringLiteral("sync")};

const Option* find(const QString& name) {
    for (const Option& o : kOptions)
        if (name == QLatin1String(o.name))
            return &o;
    return nullptr;
}

} // namespace

CommandLine CommandLine::Parse(const QStringList& arguments) {
    CommandLine cl;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString arg = arguments.at(i);
        if (arg == QLatin1String("-h") || arg == QLatin1String("-?")) {
            cl.help = true;
            continue;
        }
        if (!arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            cl.error = QStringLiteral("Argumento inesperado: %1").arg(arg);
            return cl;
        }
        QString name = arg.mid(arg.startsWith(QLatin1String("--")) ? 2 : 1);
        std::optional<QString> value;
        if (const qsizetype eq = name.indexOf(QLatin1Char('=')); eq >= 0) {
            value = name.mid(eq + 1);
            name = name.left(eq);
        }
        if (kQtOptionsWithValue.contains(name)) {
            if (!value)
                ++i;
            continue;
        }
        if (kQtSwitches.contains(name))
            continue;
        const Option* option = find(name);
        if (!option) {
            cl.error = QStringLiteral("Opção desconhecida: %1").arg(arg);
            return cl;
        }
        if (option->value && !value) {
            if (i + 1 >= arguments.size()) {
                cl.error = QStringLiteral("Falta o valor da opção --%1.").arg(name);
                return cl;
            }
            value = arguments.at(++i);
        }
        if (name == QLatin1String("help"))
            cl.help = true;
        else if (name == QLatin1String("exit-when-shown"))
            cl.exitWhenShown = true;
        else if (name == QLatin1String("screenshot"))
            cl.screenshot = *value;
        else if (name == QLatin1String("open"))
            cl.open = value->trimmed();
    }
    return cl;
}

QString CommandLine::HelpText(const QString& program) {
    QString text = QStringLiteral("Uso: %1 [opções]\n\n"
                                  "Suíte ERP — Estoque: a tela Amostras para Processamento "
                                  "(EST25000).\nSem opções, cria um banco SQLite com dados de "
                                  "demonstração na pasta de dados do usuário e inicia o servidor "
                                  "de aplicação embutido.\n\nOpções:\n")
                       .arg(QFileInfo(program).fileName());
    for (const Option& o : kOptions) {
        QString left = QStringLiteral("  --%1").arg(QLatin1String(o.name));
        if (o.value)
            left += QStringLiteral(" <%1>").arg(QString::fromUtf8(o.value));
        text += left.leftJustified(26) + QLatin1Char(' ') + QString::fromUtf8(o.help) +
                QLatin1Char('\n');
    }
    text += QStringLiteral(
        "\nVariáveis de ambiente: EST_SERVER, EST_TOKEN, EST_DATABASE, EST_BRANCH,\n"
        "EST_PICTURE_PRODUTO, EST_DECIMAL_SEPARATOR, EST_THOUSAND_SEPARATOR, EST_DATE_FORMAT;\n"
        "EST_CONFIG indica o arquivo INI (padrão ~/.config/est/suite.ini).\n");
    return text;
}

} // namespace suite
