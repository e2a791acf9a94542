// The main of the module's benchmarks: a Qt application on the offscreen platform unless told
// otherwise, with the host's key hook, as the suite runs the screen.
#include <host/core/LongWait.h>
#include <host/library/Quorvan.h>

#include <QApplication>

#include <benchmark/benchmark.h>

#if __has_include(<valgrind/valgrind.h>)
#include <valgrind/valgrind.h>
#else
#define RUNNING_ON_VALGRIND 0
#endif

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Quorvan::InstallMessageHook();
    // Under valgrind every server call lasts past the notice of a long wait, whose repaint of
    // the whole screen would be counted in what is measured: the notice waits far longer.
    if (RUNNING_ON_VALGRIND)
        host::LongWait::SetNoticedAfter(std::chrono::minutes(1));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
