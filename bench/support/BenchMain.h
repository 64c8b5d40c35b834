#pragma once

#include <QLocale>
#include <QtGlobal>

#include <benchmark/benchmark.h>

#include <functional>

namespace quorvel::bench {

// The locale a benchmark program runs in: the system's, or the Brazilian one the program's texts and
// numbers are written for.
enum class BenchLocale { System, Brazilian };

// A benchmark program's main: under a Qt application of type App (QCoreApplication for the store,
// QGuiApplication for drawing, QApplication for windows) on the offscreen platform, runs the
// benchmarks the command line selects, refusing arguments it does not know. `beforeExit` runs after
// the last benchmark, while the application still exists, for shared documents that need it.
template <class App>
int RunBenchmarks(int argc, char** argv, BenchLocale locale = BenchLocale::System,
                  const std::function<void()>& beforeExit = {}) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (locale == BenchLocale::Brazilian) QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    App app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (beforeExit) beforeExit();
    return 0;
}

} // namespace quorvel::bench
