#pragma once

#include "hardening/process_figures.h"

#include <string>
#include <vector>

// The console monitor over many cycles at the shortest interval (one second) against flaky
// servers on 127.0.0.1, with its memory and descriptors measured early and late in the run and
// both logs checked block by block at the end.
namespace velnorix::kit {

struct LongRunOptions {
    std::string ConsoleProgram; // the velnorix-cli executable
    std::string Folder;         // where the program's copy and its logs go; must exist
    int Cycles = 10;            // at least 4
    unsigned Seed = 1;
};

struct LongRunResult {
    int ExitStatus = -1;
    // Measured when cycle 2 has ended and when the next to last one has, both while the
    // program waits for its timer.
    int StartCycle = 2;
    int EndCycle = 0;
    ProcessFigures Start;
    ProcessFigures End;
    long Exchanges = 0;  // with the flaky servers
    long Misbehaved = 0; // of those
    long FailureLines = 0;
    std::vector<std::string> LogFaults;
    std::string Errors; // what the program wrote to standard error
};

LongRunResult RunConsoleMonitorLongRun(const LongRunOptions& options);

} // namespace velnorix::kit
