#pragma once

#include <benchmark/benchmark.h>
#include <cstdio>
#include <unistd.h>

namespace velnorix::bench {

// The main of a benchmark that makes network namespaces of its own, which needs root: `program`
// and `why` tell the operator what to do otherwise.
inline int RunBenchmarksAsRoot(int argc, char** argv, const char* program, const char* why) {
    if (::geteuid() != 0) {
        std::fprintf(stderr, "%s needs root: %s (run it with sudo)\n", program, why);
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace velnorix::bench
