// SPDX-License-Identifier: GPL-3.0-or-later
// main() for the benchmarks that need a QApplication: offscreen unless a platform is named.
#pragma once

#include <QApplication>
#include <benchmark/benchmark.h>

namespace penwick::bench {

inline int RunQtBenchmarks(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace penwick::bench
