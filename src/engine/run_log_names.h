#pragma once

#include "base/date_time.h"

#include <string>
#include <string_view>

namespace velnorix {

// Every log file name starts with this, then the run's twelve-digit stamp.
inline constexpr std::string_view kLogNamePrefix = "Velnorix";
inline constexpr std::string_view kDetailLogExtension = ".log";
inline constexpr std::string_view kSummaryLogExtension = ".smy";

struct RunLogNames {
    std::string Detail;
    std::string Summary;
};

// The full paths of a run's two logs in the program directory: "<dir>/Velnorix" + yymmddhhnnss
// of the run's start + ".log" or ".smy".
RunLogNames RunLogNamesFor(std::string_view programDirectory, const LocalDateTime& runStart);

} // namespace velnorix
