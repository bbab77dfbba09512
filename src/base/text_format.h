#pragma once

#include "base/date_time.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace velnorix {

// The operator's regional settings that dates and numbers follow.
struct FormatSettings {
    std::string TimeSeparator = ":";
    std::string DecimalSeparator = ".";
    std::array<std::string, 12> ShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
};

// The settings of the process's current C locale (LC_TIME and LC_NUMERIC), for a program
// that called setlocale(LC_ALL, "").
FormatSettings SystemFormatSettings();

// Pads with blanks on the right (left-aligned) or on the left (right-aligned) up to `width`
// characters (not bytes, so multi-byte text lines up); a longer text is never cut.
std::string PadRight(std::string_view text, std::size_t width);
std::string PadLeft(std::string_view text, std::size_t width);

// printf's "%<width>.<decimals>f" of numerator / denominator, rounded on the exact decimal
// value with halves going up (15/1000 gives 0.02 where binary floating point gives 0.01).
// The denominator must be positive.
std::string FormatRatio(std::int64_t numerator, std::int64_t denominator, int decimals, int width,
                        const FormatSettings& settings);

// "hh:mm:ss mmm dd, yyyy  ": the stamp of result lines and summary totals rows.
std::string FormatTimeStamp(const LocalDateTime& t, const FormatSettings& settings);

} // namespace velnorix
