// velnorix-long-run: the long run of scripts/long-run. Prints the figures and the faults found;
// exits 0 only when the run ended normally, its descriptors and memory did not grow and both
// logs hold every block well-formed.
#include "hardening/long_run.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

namespace {

void PrintFigures(const char* when, int cycle, const velnorix::kit::ProcessFigures& figures) {
    std::printf("%-6s after cycle %5d: resident %6ld KiB, %zu open descriptors\n", when, cycle,
                figures.ResidentKiB, figures.Descriptors.size());
    for (const std::string& target : figures.Descriptors)
        std::printf("         %s\n", target.c_str());
}

} // namespace

int main(int argc, char* argv[]) {
    using namespace velnorix::kit;
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s CONSOLE_PROGRAM FOLDER CYCLES SEED RESIDENT_NOISE_KIB\n",
                     argv[0]);
        return 2;
    }
    try {
        const LongRunOptions options{argv[1], argv[2], std::stoi(argv[3]),
                                     static_cast<unsigned>(std::stoul(argv[4]))};
        const long noiseKiB = std::stol(argv[5]);
        const LongRunResult run = RunConsoleMonitorLongRun(options);
        std::printf("cycles %d, exit status %d\n", options.Cycles, run.ExitStatus);
        std::printf("exchanges with the servers %ld, misbehaved %ld; failure lines %ld\n",
                    run.Exchanges, run.Misbehaved, run.FailureLines);
        PrintFigures("start", run.StartCycle, run.Start);
        PrintFigures("end", run.EndCycle, run.End);
        for (const std::string& fault : run.LogFaults)
            std::printf("log fault: %s\n", fault.c_str());
        const bool descriptorsKept =
            run.End.Descriptors == run.Start.Descriptors && !run.Start.Descriptors.empty();
        const bool memoryKept = run.End.ResidentKiB <= run.Start.ResidentKiB + noiseKiB;
        std::printf(
            "descriptors %s, resident memory %+ld KiB (%s), logs %s\n",
            descriptorsKept ? "unchanged" : "CHANGED", run.End.ResidentKiB - run.Start.ResidentKiB,
            memoryKept ? "within the noise" : "GREW", run.LogFaults.empty() ? "whole" : "FAULTY");
        if (!run.Errors.empty())
            std::printf("the program's errors:\n%s", run.Errors.c_str());
        return run.ExitStatus == 0 && descriptorsKept && memoryKept && run.LogFaults.empty()
                   ? EXIT_SUCCESS
                   : EXIT_FAILURE;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "long run failed: %s\n", error.what());
        return EXIT_FAILURE;
    }
}
