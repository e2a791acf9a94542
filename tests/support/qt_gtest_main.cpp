// Test entry: a QApplication (widgets need one; offscreen unless told otherwise) then GoogleTest.
#include <QApplication>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The data folder (the screens' journals) is the test program's own, shared only with the
    // child processes it starts: never the user's, never another test program's.
    QTemporaryDir data;
    if (qEnvironmentVariableIsEmpty("EST_TEST_DATA_HOME"))
        qputenv("EST_TEST_DATA_HOME", data.path().toUtf8());
    qputenv("XDG_DATA_HOME", qgetenv("EST_TEST_DATA_HOME"));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
