#include "config/ini_values.h"

#include <algorithm>
#include <cctype>

namespace velnorix {
namespace {

struct DecimalNumber {
    bool Negative = false;
    std::string_view Digits; // without leading zeros; empty for zero
};

// A sign and decimal digits, of any length, and nothing else.
std::optional<DecimalNumber> ReadDecimal(std::string_view text) {
    DecimalNumber number;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        number.Negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    if (text.empty() || !std::all_of(text.begin(), text.end(), isDigit))
        return std::nullopt;
    number.Digits = text.substr(std::min(text.find_first_not_of('0'), text.size()));
    return number;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) ==
               std::toupper(static_cast<unsigned char>(y));
    });
}

} // namespace

std::string EntryPrefix(std::int32_t number) {
    std::string prefix = std::to_string(number);
    if (prefix.size() < 2)
        prefix.insert(0, 2 - prefix.size(), '0');
    return prefix;
}

std::string FormatIniInteger(std::int32_t value) {
    return std::to_string(static_cast<std::uint32_t>(value));
}

std::string FormatIniBoolean(bool value) {
    return value ? "TRUE" : "FALSE";
}

std::int32_t ReadIniInteger(const std::optional<std::string>& value, std::int32_t fallback) {
    if (!value)
        return fallback;
    const auto number = ReadDecimal(*value);
    if (!number)
        return fallback;
    constexpr std::string_view kLargest = "4294967295";
    const bool tooLarge = number->Digits.size() > kLargest.size() ||
                          (number->Digits.size() == kLargest.size() && number->Digits > kLargest);
    if ((number->Negative && !number->Digits.empty()) || tooLarge)
        throw ConfigurationError(std::string(kRangeCheckError));
    std::uint32_t unsignedValue = 0;
    for (const char digit : number->Digits)
        unsignedValue = unsignedValue * 10 + static_cast<std::uint32_t>(digit - '0');
    return static_cast<std::int32_t>(unsignedValue);
}

bool ReadIniBoolean(const std::optional<std::string>& value, bool fallback) {
    if (!value)
        return fallback;
    if (EqualsIgnoringCase(*value, "TRUE"))
        return true;
    if (EqualsIgnoringCase(*value, "FALSE"))
        return false;
    if (const auto number = ReadDecimal(*value))
        return !number->Digits.empty();
    return fallback;
}

std::int32_t ReadRangedIniInteger(std::string_view key, const std::string& value,
                                  std::int32_t fallback, std::int32_t low, std::int32_t high) {
    if (value.empty())
        return fallback;
    std::int32_t number = low - 1;
    try {
        number = ReadIniInteger(value, low - 1);
    } catch (const ConfigurationError&) {
        // A negative or huge number is refused below with the key's own message.
    }
    if (number >= low && number <= high)
        return number;
    throw ConfigurationError("Ini file sets " + std::string(key) + " to " + value +
                             "; it must be from " + std::to_string(low) + " to " +
                             std::to_string(high));
}

} // namespace velnorix
