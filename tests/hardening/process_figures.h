#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// What a process holds, read from /proc: the figures a long unattended run must not let grow.
namespace velnorix::kit {

struct ProcessFigures {
    long ResidentKiB = 0;
    // The most the process has held since it started or since the last ResetPeakResident.
    long PeakResidentKiB = 0;
    // What each open descriptor refers to ("socket:[123]", "/tmp/x.log", ...), in fd order.
    std::vector<std::string> Descriptors;
};

// Figures of process `pid`; of this process when `pid` is 0. Throws std::runtime_error when
// the process is gone.
ProcessFigures ReadProcessFigures(pid_t pid = 0);

// Lets the next peak start from what this process holds now.
void ResetPeakResident();

} // namespace velnorix::kit
