#pragma once

#include "base/result.h"
#include "engine/configuration.h"
#include "engine/host.h"

#include <cstdint>
#include <optional>
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
// The most cycles FailAfter and RecoverAfter may ask for.
inline constexpr std::int32_t kMaxConfirmations = 10;
// The other limits of the state settings, shared with the dialogs that edit them. The longest
// Slow bound is the longest a probe's wait can be.
inline constexpr std::int32_t kMaxSlowMs = 3'600'000;
inline constexpr std::int32_t kMaxRetries = 5;
inline constexpr std::int32_t kMinRetryDelayMs = 100;
inline constexpr std::int32_t kMaxRetryDelayMs = 60'000;
inline constexpr std::int32_t kMaxLossPct = 100;
inline constexpr std::int32_t kMaxHistoryDays = 3'650;
// A probe's own time-out: short enough for loopback, no longer than the network bounds.
inline constexpr std::int32_t kMinTimeoutMs = 100;
inline constexpr std::int32_t kMaxTimeoutMs = 30'000;

// What makes a web target's check unusable: which field, and why ("it must list status codes
// such as 200-299,301", "it is not a regular expression: ..."). The file and the target editor
// refuse the same.
enum class WebCheckField { Expect, Match };
struct WebCheckFault {
    WebCheckField Field;
    std::string Why;
};
std::optional<WebCheckFault> FindWebCheckFault(std::string_view expect, const std::string& match);

// The configuration a file holds, read without changing anything, or the message of why it
// cannot be taken: "Range check error" at the first integer out of range, one naming the key
// and its value at a "Security" that is none of None, TLS and STARTTLS, a "Parallel" that is
// not from 1 to kMaxParallelProbes or another number outside its range ("FailAfter",
// "RecoverAfter", "SlowMs", "Retries", "RetryDelayMs"), one naming an "NNParent" that is out of
// range, the target itself or part of a loop, an "NNEchoes" not from 1 to kMaxEchoes or an
// "NNLossPct" not from 0 to 100, a "TimeoutMs" or "NNTimeoutMs" not from kMinTimeoutMs to
// kMaxTimeoutMs, an "NNMethod" other than HEAD or GET, an "NNExpect" of a web target that is not
// a list of status codes, an "NNMatch" that is not a regular expression, one for a "Count" above
// kMaxIniTargets, and the system's message for a file that exists but cannot be read. A missing or
// empty file, or a "Count" that is not positive, has no targets. Reading starts from `current`, so
// an entry of no known type keeps the port it had there.
Result<Configuration> ReadConfigurationFile(const std::string& fileName,
                                            const Configuration& current);

// Rewrites the section "Targets" of the file from `config`, leaving the file's other lines as
// they were, and reports "<name> Saved". Throws ConfigurationError "Unable to delete section
// from INI file" when the existing file cannot be read and "Failed to write value to INI file"
// when it cannot be written; then nothing is changed.
void SaveIniFile(const Configuration& config, StatusLine& status, const std::string& fileName);

// The file's text with its section "Targets" replaced by the settings and targets of `config`,
// written in a fixed order; the other lines stay byte for byte.
std::string WithTargetsSection(std::string_view fileText, const Configuration& config);

} // namespace velnorix
