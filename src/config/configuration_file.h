#pragma once

#include "engine/host.h"
#include "engine/run_model.h"

#include <cstdint>
#include <string>
#include <string_view>

// The configuration file: one section "Targets" with the interval, the log option and the
// configured targets.
namespace velnorix {

inline constexpr std::string_view kTargetsSection = "Targets";
inline constexpr std::string_view kIniFileEmptyMessage = "Ini file is empty!\rPlease try again.";
inline constexpr std::string_view kUnableToDeleteSectionError =
    "Unable to delete section from INI file";
inline constexpr std::string_view kFailedToWriteValueError = "Failed to write value to INI file";

// More targets than any operator configures by hand; a larger "Count" is a damaged or hostile
// file that would otherwise make the table grow without bound.
inline constexpr std::int32_t kMaxIniTargets = 10'000;

// Fills the interval, the log option, TargetCount and the configuration fields of targets 1 to
// TargetCount from the file, and makes it the file of the next Save. A missing or empty file,
// or a "Count" that is not positive, shows "Ini file is empty!" and loads no target. Throws
// ConfigurationError "Range check error" at the first integer out of range, and one naming
// the key and its value at a "Security" that is none of None, TLS and STARTTLS, keeping what
// was read before it; a "Parallel" that is not from 1 to kMaxParallelProbes, a "Count" above
// kMaxIniTargets, and a file that exists but cannot be read (FileError with the system's
// message), throw before anything changes.
void LoadIniFile(RunModel& model, DisplayLines& display, UserPrompts& prompts,
                 const std::string& fileName);

// Rewrites the section "Targets" of the file from the model, leaving the file's other lines as
// they were, reports "<name> Saved" and clears IniChanged. Throws ConfigurationError "Unable
// to delete section from INI file" when the existing file cannot be read and "Failed to write
// value to INI file" when it cannot be written; then nothing is changed.
void SaveIniFile(RunModel& model, StatusLine& status, const std::string& fileName);

// The file's text with its section "Targets" replaced by the model's settings and targets 1 to
// TargetCount, written in a fixed order; the other lines stay byte for byte.
std::string WithTargetsSection(std::string_view fileText, const RunModel& model);

} // namespace velnorix
