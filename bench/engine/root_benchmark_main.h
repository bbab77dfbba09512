#pragma once

#include <benchmark/benchmark.h>
#include <cstdio>
#include <unistd.h>

namespace velnorix::bench {

// Runs the benchmarks the command line asks for; 1 for an argument it does not know.
inline int RunRequestedBenchmarks(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// The main of a benchmark that makes network namespaces of its own, which needs root: `program`
// and `why` tell the operator what to do otherwise.
inline int RunBenchmarksAsRoot(int argc, char** argv, const char* program, const char* why) {
    if (::geteuid() != 0) {
        std::fprintf(stderr, "%s needs root: %s (run it with sudo)\n", program, why);
        return 1;
    }
    return RunRequestedBenchmarks(argc, argv);
}

} // namespace velnorix::bench
