#pragma once

#include "engine/host.h"
#include "engine/run_model.h"

#include <optional>
#include <string>
#include <string_view>

namespace velnorix {

inline constexpr std::string_view kLogNotAvailableMessage =
    "Log File is not available!\rPlease Start Test before viewing.";
inline constexpr std::string_view kActiveLogChosenMessage =
    "You have chosen the active log file.\rPlease try again.";
inline constexpr std::string_view kNoFailureFoundMessage = "No \"Failure\" found.";

enum class LogKind { Detail, Summary };

// The whole content of a log file, read at once and closed. Throws FileError when the file
// cannot be opened or read.
std::string ReadLogFile(const std::string& path);

// Asks for a log of an earlier run in the program directory. Returns the name to show, or
// nothing when the operator cancelled or chose `activeName` itself (letter case counts), in
// which case the operator has been told so.
std::optional<std::string> ChooseInactiveLog(UserPrompts& prompts, const std::string& logDirectory,
                                             LogKind kind, const std::string& activeName);

// Deletes the active run's logs (detail, summary, events). Failures are ignored and the
// names stay, so a running test finds its logs gone at the next cycle.
void DeleteLogFiles(const RunModel& model);

} // namespace velnorix
