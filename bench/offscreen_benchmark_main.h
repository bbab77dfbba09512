#pragma once

#include "engine/root_benchmark_main.h"

#include <QApplication>

namespace velnorix::bench {

// The main of a benchmark of windows: they are drawn offscreen unless a platform is asked for.
inline int RunOffscreenBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    return RunRequestedBenchmarks(argc, argv);
}

} // namespace velnorix::bench
