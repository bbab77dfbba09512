#pragma once

#include "base/clock.h"
#include "base/date_time.h"

#include <string>
#include <string_view>

namespace velnorix {

// Every log file name starts with this, then the run's twelve-digit stamp.
inline constexpr std::string_view kLogNamePrefix = "Velnorix";
inline constexpr std::string_view kDetailLogExtension = ".log";
inline constexpr std::string_view kSummaryLogExtension = ".smy";
inline constexpr std::string_view kEventLogExtension = ".evt";

struct RunLogNames {
    std::string Detail;
    std::string Summary;
    std::string Events; // the targets' state changes
};

// The full paths of a run's logs in the program directory: "<dir>/Velnorix" + yymmddhhnnss
// of the run's start + ".log", ".smy" or ".evt".
RunLogNames RunLogNamesFor(std::string_view programDirectory, const LocalDateTime& runStart);

// A run's logs, created, and the moment their names stand for.
struct RunLogs {
    LocalDateTime Start;
    RunLogNames Names;
};

// Seconds a start waits for free names before it gives up.
inline constexpr int kLogNameAttempts = 60;

// Creates a run's logs, the summary log holding `summaryHeader`, the others empty,
// under names nothing else has: those of the clock's current second, or, while they are taken
// (by a run started in the same second, or by anything planted there), those of the next
// second, waited for on the clock. Throws FileError when they cannot be created, or when no
// free names turned up within kLogNameAttempts seconds.
RunLogs CreateRunLogs(std::string_view programDirectory, Clock& clock,
                      std::string_view summaryHeader);

// Deletes the logs of these names that exist; an empty name is none.
void DeleteRunLogs(const RunLogNames& names);

} // namespace velnorix
