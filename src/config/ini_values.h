#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

// How settings are spelled in the configuration file.
namespace velnorix {

// A configuration file or command that cannot go on; what() is the text the operator sees.
class ConfigurationError final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr std::string_view kRangeCheckError = "Range check error";

// "01" to "99", then "100", "101", ...: the start of every key of target `number`.
std::string EntryPrefix(std::int32_t number);

// The 32 bits of the value as an unsigned decimal number: -1 is "4294967295".
std::string FormatIniInteger(std::int32_t value);
std::string FormatIniBoolean(bool value);

// A decimal number from 0 to 4294967295 read modulo 2^32 as a signed value. An absent or
// empty value, or one that is not a decimal number, gives the default. A number below 0 or
// above 4294967295 throws ConfigurationError "Range check error".
std::int32_t ReadIniInteger(const std::optional<std::string>& value, std::int32_t fallback);

// A setting with limits: missing or empty is `fallback`; anything but a number from `low` to
// `high` throws ConfigurationError naming the key and its value as written.
std::int32_t ReadRangedIniInteger(std::string_view key, const std::string& value,
                                  std::int32_t fallback, std::int32_t low, std::int32_t high);

// "TRUE" or "FALSE" in any letter case, otherwise a decimal number (true when not zero);
// anything else, and an absent value, gives the default.
bool ReadIniBoolean(const std::optional<std::string>& value, bool fallback);

} // namespace velnorix
