#include "base/text_format.h"

#include "base/utf8_text.h"

#include <clocale>
#include <cstdio>
#include <langinfo.h>
#include <stdexcept>

namespace velnorix {
namespace {

std::string ZeroPadded(long long value, int digits) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%0*lld", digits, value);
    return buffer;
}

// The separator that follows the hour in the locale's time format, ":" when there is none.
std::string TimeSeparatorOf(std::string_view format) {
    const auto hour = format.find("%H");
    if (hour == std::string_view::npos || hour + 2 >= format.size() || format[hour + 2] == '%')
        return ":";
    return std::string(1, format[hour + 2]);
}

} // namespace

FormatSettings SystemFormatSettings() {
    FormatSettings settings;
    static constexpr std::array<nl_item, 12> kMonths = {ABMON_1, ABMON_2,  ABMON_3,  ABMON_4,
                                                        ABMON_5, ABMON_6,  ABMON_7,  ABMON_8,
                                                        ABMON_9, ABMON_10, ABMON_11, ABMON_12};
    for (std::size_t i = 0; i < kMonths.size(); ++i) {
        const char* name = nl_langinfo(kMonths[i]);
        if (name != nullptr && *name != '\0')
            settings.ShortMonthNames[i] = name;
    }
    if (const char* point = nl_langinfo(RADIXCHAR); point != nullptr && *point != '\0')
        settings.DecimalSeparator = point;
    if (const char* timeFormat = nl_langinfo(T_FMT); timeFormat != nullptr)
        settings.TimeSeparator = TimeSeparatorOf(timeFormat);
    return settings;
}

std::string PadRight(std::string_view text, std::size_t width) {
    std::string result(text);
    const std::size_t characters = CharacterCount(text);
    if (characters < width)
        result.append(width - characters, ' ');
    return result;
}

std::string PadLeft(std::string_view text, std::size_t width) {
    const std::size_t characters = CharacterCount(text);
    if (characters >= width)
        return std::string(text);
    return std::string(width - characters, ' ') + std::string(text);
}

std::string FormatRatio(std::int64_t numerator, std::int64_t denominator, int decimals, int width,
                        const FormatSettings& settings) {
    if (denominator <= 0 || decimals < 0 || decimals > 6)
        throw std::invalid_argument("FormatRatio: bad denominator or decimals");
    const bool negative = numerator < 0;
    // Magnitudes here stay far below 2^63 / 2,000,000: counts and milliseconds are 32-bit.
    const auto magnitude = static_cast<std::uint64_t>(negative ? -numerator : numerator);
    std::uint64_t scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    const auto den = static_cast<std::uint64_t>(denominator);
    const std::uint64_t scaled = (magnitude * scale * 2 + den) / (den * 2);
    std::string text = negative && scaled != 0 ? "-" : "";
    text += std::to_string(scaled / scale);
    if (decimals > 0)
        text += settings.DecimalSeparator +
                ZeroPadded(static_cast<long long>(scaled % scale), decimals);
    return PadLeft(text, static_cast<std::size_t>(width));
}

std::string FormatTimeStamp(const LocalDateTime& t, const FormatSettings& settings) {
    const auto& month = settings.ShortMonthNames.at(static_cast<std::size_t>(t.Month - 1));
    return ZeroPadded(t.Hour, 2) + settings.TimeSeparator + ZeroPadded(t.Minute, 2) +
           settings.TimeSeparator + ZeroPadded(t.Second, 2) + " " + month + " " +
           ZeroPadded(t.Day, 2) + ", " + ZeroPadded(t.Year, 4) + "  ";
}

} // namespace velnorix
