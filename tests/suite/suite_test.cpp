// The suite as a user starts it: the embedded default creates its SQLite database with demo
// data in the user's data folder, starts the server in-process and shows the main window;
// the sample screen opens from its package (or the missing package is reported by name).
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct SuiteRun {
    int exitCode = -1;
    QString out;
    QString err;
};

SuiteRun runSuite(const QTemporaryDir& home, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_DATA_HOME", home.filePath("data"));
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    env.remove("EST_SERVER");
    env.remove("EST_DATABASE");
    process.setProcessEnvironment(env);
    process.start(QDir(QCoreApplication::applicationDirPath()).filePath("suite"),
                  QStringList{"--exit-when-shown"} + arguments);
    SuiteRun run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        run.err = "did not finish";
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

TEST(Suite, EmbeddedDefaultStartsAndOpensTheSampleScreen) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const SuiteRun run = runSuite(home, {}); // as the README starts it: the screen opens at once
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("main() -> janela principal exibida:")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("IniProc -> tela exibida:")) << run.out.toStdString();
    EXPECT_TRUE(QFileInfo::exists(home.filePath("data/est/suite/est25000.sqlite")));

    const QString package =
        QDir(QCoreApplication::applicationDirPath()).filePath("libPkg_est25000.so");
    if (QFileInfo::exists(package)) {
        EXPECT_FALSE(run.out.contains("IniProc -> tela exibida: -1")) << run.out.toStdString();
        EXPECT_FALSE(run.err.contains("Não foi possível carregar o pacote"));
    } else {
        EXPECT_TRUE(run.err.contains("Não foi possível carregar o pacote"))
            << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("libPkg_est25000.so"));
    }
}

TEST(Suite, AServerWithoutADatabaseForDirectReadsIsRefusedClearly) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const SuiteRun run = runSuite(home, {"--server", "127.0.0.1:1"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("--database")) << run.err.toStdString();
    EXPECT_EQ(run.err.count("suite: mensagem:"), 1) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home.filePath("data/est/suite/est25000.sqlite")));
}

// An administrator asks for help over ssh, with no display at all: the answer is Portuguese
// and needs none; a mistaken option is refused before anything starts.
TEST(Suite, HelpAndAMistakenOptionNeedNoDisplay) {
    const auto run = [](const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(name);
        process.setProcessEnvironment(env);
        process.start(QDir(QCoreApplication::applicationDirPath()).filePath("suite"), arguments);
        SuiteRun r;
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            return r;
        }
        r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        r.out = QString::fromUtf8(process.readAllStandardOutput());
        r.err = QString::fromUtf8(process.readAllStandardError());
        return r;
    };
    const SuiteRun help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0) << help.err.toStdString();
    EXPECT_TRUE(help.out.startsWith("Uso: suite [opções]")) << help.out.toStdString();
    for (const char* option : {"--server", "--token", "--database", "--branch", "--open"})
        EXPECT_TRUE(help.out.contains(QLatin1String(option))) << option;

    const SuiteRun wrong = run({"--servidor", "x:1"});
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_TRUE(wrong.err.contains("Opção desconhecida: --servidor")) << wrong.err.toStdString();
    EXPECT_TRUE(wrong.out.isEmpty());
}

} // namespace
