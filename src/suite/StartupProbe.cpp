#include <suite/StartupProbe.h>

#include <host/controls/Buttonflat.h>
#include <host/core/EventBoundary.h>
#include <host/forms/Dialogs.h>
#include <host/forms/Form.h>

#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QTextStream>

#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace suite {

namespace {

// Answers every dialog as an unattended user: confirms a modal form through its confirm
// button, answers questions No and other boxes OK.
class UnattendedDialogs : public host::DialogHandler {
public:
    int MessageBox(const QString& text, host::TMsgDlgType, host::TMsgDlgButtons buttons, int,
                   host::TMsgDlgBtn) override {
        std::fprintf(stderr, "suite: mensagem: %s\n", qPrintable(text));
        return (buttons & host::mbNo) ? host::mrNo : host::mrOk;
    }
    void RunModal(host::TForm& form) override {
        form.Show();
        host::Guard([&] { form.DoActivate(); });
        if (auto* confirm = form.findChild<host::TButtonFlat*>(QStringLiteral("sbtConfirma")))
            host::Guard([&] { confirm->Click(); });
        if (form.Modal())
            host::Guard([&] { form.SetModalResult(host::mrCancel); });
        if (form.Modal())
            form.Hide();
    }
};

UnattendedDialogs gUnattended;

} // namespace

qint64 MillisecondsSinceProcessStart() {
    // Field 22 of /proc/self/stat: start time in clock ticks after boot.
    QFile stat(QStringLiteral("/proc/self/stat"));
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double startTicks = fields.value(19).toDouble();
    const double upSeconds = uptime.readAll().split(' ').value(0).toDouble();
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    return static_cast<qint64>((upSeconds - startTicks / ticks) * 1000.0);
}

StartupProbe::StartupProbe(QString screenshotPath, qint64 processStartMs)
    : screenshot_(std::move(screenshotPath)), processStartMs_(processStartMs) {
    clock_.start();
    host::SetDialogHandler(&gUnattended);
    qApp->installEventFilter(this);
}

StartupProbe::~StartupProbe() {
    host::SetDialogHandler(nullptr);
}

void StartupProbe::MainWindowShown() {
    mainShown_ = clock_.elapsed();
}

void StartupProbe::BeforeIniProc() {
    iniStart_ = clock_.elapsed();
}

void StartupProbe::AfterIniProc() {
    iniReturned_ = clock_.elapsed();
}

bool StartupProbe::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && screenShown_ < 0 && iniStart_ >= 0) {
        auto* form = qobject_cast<host::TForm*>(watched);
        if (form && form->FormStyle() == host::TFormStyle::fsMDIChild)
            screenShown_ = clock_.elapsed();
    }
    return false;
}

void StartupProbe::Finish(QMainWindow* window) {
    QTextStream out(stdout);
    out << QStringLiteral("início do processo -> main(): ") << processStartMs_ << " ms\n";
    out << QStringLiteral("main() -> janela principal exibida: ") << mainShown_ << " ms\n";
    out << QStringLiteral("início do processo -> janela principal exibida: ")
        << processStartMs_ + mainShown_ << " ms\n";
    if (iniStart_ >= 0) {
        out << QStringLiteral("IniProc -> tela exibida: ")
            << (screenShown_ >= 0 ? screenShown_ - iniStart_ : -1) << " ms\n";
        out << QStringLiteral("IniProc -> retorno de IniProc (primeira ativação, filtro "
                              "confirmado): ")
            << iniReturned_ - iniStart_ << " ms\n";
    }
    out.flush();
    if (!screenshot_.isEmpty()) {
        window->repaint();
        if (!window->grab().save(screenshot_))
            std::fprintf(stderr, "suite: não foi possível gravar %s\n", qPrintable(screenshot_));
    }
    QApplication::exit(0);
}

} // namespace suite
