// The suite: the desktop host of the stock screens. Options: --server HOST:PORT, --token,
// --database URL, --branch, --open SCREEN (EST25000 unless told otherwise); with none it runs
// the embedded default and opens the sample screen. For measurements and screenshots:
// --exit-when-shown and --screenshot FILE.
#include <host/core/Configuration.h>
#include <host/core/EventBoundary.h>
#include <host/forms/Application.h>
#include <host/forms/Dialogs.h>
#include <host/forms/PackageLoader.h>
#include <suite/CommandLine.h>
#include <suite/EmbeddedDefault.h>
#include <suite/MainWindow.h>
#include <suite/SessionStart.h>
#include <suite/StartupProbe.h>

#include <QIcon>
#include <QStyle>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <optional>

int main(int argc, char** argv) {
    const qint64 processStartMs = suite::MillisecondsSinceProcessStart();
    // Help and mistakes of the command line are answered before the application (and its
    // display) exists: an administrator may ask on a machine without one.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const suite::CommandLine options = suite::CommandLine::Parse(arguments);
    if (options.help) {
        std::fputs(suite::CommandLine::HelpText(arguments.value(0)).toUtf8().constData(), stdout);
        return 0;
    }
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "suite: %s\nUse --help para ver as opções.\n",
                     options.error.toUtf8().constData());
        return 2;
    }

    host::HostApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("est"));
    QApplication::setApplicationName(QStringLiteral("suite"));
    // The window system adds it to every window's title: "Estoque — Suíte ERP".
    QApplication::setApplicationDisplayName(QStringLiteral("Suíte ERP"));
    // The icon the package installs in the theme, else the style's.
    QApplication::setWindowIcon(QIcon::fromTheme(
        QStringLiteral("est-suite"), app.style()->standardIcon(QStyle::SP_ComputerIcon)));

    host::Configuration::Load(app.arguments());
    const bool unattended = options.Unattended();
    std::unique_ptr<suite::StartupProbe> probe;
    if (unattended)
        probe = std::make_unique<suite::StartupProbe>(options.screenshot, processStartMs);

    host::PackageLoader package(host::PackageLoader::PathFor(QStringLiteral("Pkg_est25000")));
    suite::Backend backend;
    try {
        backend.Start();
    } catch (...) {
        // Without its server or its database the suite could only show a window that fails
        // at every step: the reason is shown once and the suite ends.
        host::HandleException(std::current_exception());
        return 1;
    }

    suite::MainWindow window(package);
    window.SetStatus(backend.Describe());
    const std::optional<suite::Account> account = suite::SignInFirst(backend);
    if (!account) {
        backend.Stop();
        return 0;
    }
    window.SetUser(account->user);
    window.show();

    const QString open = options.open;
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
    suite::SignOut(*account);
    // Forms first (they belong to the package's code), then the package, then the server.
    host::TApplication::Instance().DestroyForms();
    package.Unload();
    backend.Stop();
    return code;
}
