#pragma once

#include <string>
#include <vector>

// Checks a run's two log files block by block: every cycle has its block in both, each block
// is well-formed, and the two agree with each other.
namespace velnorix::kit {

struct LoggedTarget {
    std::string Type; // "<HTML>", ...
    std::string Addr;
};

// Faults found in the detail and summary log texts of one run, one text each; empty when all
// is well. `cycles` are the cycle numbers whose blocks the logs must hold, in order; the
// targets are those of a known type, in test order. The figures of each summary row must
// follow the previous block's: one more attempt, and one more failure exactly when the detail
// block says the probe failed.
std::vector<std::string> CheckRunLogs(const std::string& detailLog, const std::string& summaryLog,
                                      const std::vector<LoggedTarget>& targets,
                                      const std::vector<int>& cycles);

// The cycle numbers from `first` to `last`.
std::vector<int> CycleRange(int first, int last);

} // namespace velnorix::kit
