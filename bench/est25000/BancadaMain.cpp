// The main of the module's benchmarks: a Qt application on the offscreen platform unless told
// otherwise, with the host's key hook, as the suite runs the screen.
#include <host/library/Quorvan.h>

#include <QApplication>

#include <benchmark/benchmark.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Quorvan::InstallMessageHook();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
