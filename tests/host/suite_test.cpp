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
    const SuiteRun run = runSuite(home, {"--open", "EST25000"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("main() -> main window shown:")) << run.out.toStdString();
    EXPECT_TRUE(QFileInfo::exists(home.filePath("data/est/suite/est25000.sqlite")));

    const QString package =
        QDir(QCoreApplication::applicationDirPath()).filePath("libPkg_est25000.so");
    if (QFileInfo::exists(package)) {
        EXPECT_FALSE(run.out.contains("IniProc -> screen shown: -1")) << run.out.toStdString();
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
    EXPECT_FALSE(QFileInfo::exists(home.filePath("data/est/suite/est25000.sqlite")));
}

} // namespace
