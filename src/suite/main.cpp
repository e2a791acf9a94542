// The suite: the desktop host of the stock screens. Options: --server HOST:PORT, --token,
// --database URL, --branch, --open EST25000; with none it runs the embedded default.
// For measurements and screenshots: --exit-when-shown and --screenshot FILE.
#include "Application.h"
#include "Configuration.h"
#include "Dialogs.h"
#include "EmbeddedDefault.h"
#include "EventBoundary.h"
#include "MainWindow.h"
#include "PackageLoader.h"
#include "StartupProbe.h"

#include <QCommandLineParser>
#include <QStyle>
#include <QTimer>

#include <memory>

int main(int argc, char** argv) {
    const qint64 processStartMs = suite::MillisecondsSinceProcessStart();
    host::HostApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("est"));
    QApplication::setApplicationName(QStringLiteral("suite"));
    QApplication::setApplicationDisplayName(QStringLiteral("Suíte ERP"));
    QApplication::setWindowIcon(app.style()->standardIcon(QStyle::SP_ComputerIcon));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Suíte ERP — Estoque"));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("server"), QStringLiteral("Servidor de aplicação (host:porta)."),
         QStringLiteral("host:porta")},
        {QStringLiteral("token"), QStringLiteral("Token de acesso ao servidor."),
         QStringLiteral("token")},
        {QStringLiteral("tls-ca"),
         QStringLiteral("Certificado da autoridade (PEM) que assina o do servidor: conexão TLS."),
         QStringLiteral("arquivo")},
        {QStringLiteral("database"),
         QStringLiteral("Banco para leituras diretas (sqlite:ARQUIVO ou postgresql://...)."),
         QStringLiteral("url")},
        {QStringLiteral("branch"), QStringLiteral("Filial de trabalho."), QStringLiteral("código")},
        {QStringLiteral("open"), QStringLiteral("Abre a tela ao iniciar (EST25000)."),
         QStringLiteral("tela")},
        {QStringLiteral("exit-when-shown"),
         QStringLiteral("Mede a partida, mostra os tempos e encerra.")},
        {QStringLiteral("screenshot"), QStringLiteral("Grava a janela principal e encerra."),
         QStringLiteral("arquivo")},
    });
    parser.process(app);

    host::Configuration::Load(app.arguments());
    const bool unattended = parser.isSet(QStringLiteral("exit-when-shown")) ||
                            parser.isSet(QStringLiteral("screenshot"));
    std::unique_ptr<suite::StartupProbe> probe;
    if (unattended)
        probe = std::make_unique<suite::StartupProbe>(parser.value(QStringLiteral("screenshot")),
                                                      processStartMs);

    host::PackageLoader package(host::PackageLoader::PathFor(QStringLiteral("Pkg_est25000")));
    suite::Backend backend;
    try {
        backend.Start();
    } catch (...) {
        host::HandleException(std::current_exception());
        if (unattended)
            return 1;
    }

    suite::MainWindow window(package);
    window.SetStatus(backend.Describe());
    window.show();

    const QString open = parser.value(QStringLiteral("open"));
    QTimer::singleShot(0, &window, [&] {
        if (probe)
            probe->MainWindowShown();
        if (open.compare(QStringLiteral("EST25000"), Qt::CaseInsensitive) == 0) {
            if (probe)
                probe->BeforeIniProc();
            window.OpenAmostras();
            if (probe)
                probe->AfterIniProc();
        } else if (!open.isEmpty()) {
            host::MessageDlg(QStringLiteral("Tela desconhecida: %1").arg(open),
                             host::TMsgDlgType::mtError, host::mbOK);
        }
        if (probe)
            QTimer::singleShot(0, &window, [&] { probe->Finish(&window); });
    });

    const int code = app.exec();
    // Forms first (they belong to the package's code), then the package, then the server.
    host::TApplication::Instance().DestroyForms();
    package.Unload();
    backend.Stop();
    return code;
}
