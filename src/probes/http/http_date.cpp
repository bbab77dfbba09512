#include "probes/http/http_date.h"

#include "base/ascii_case.h"

#include <array>
#include <cstddef>

namespace velnorix {
namespace {

constexpr std::array<std::string_view, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                      "jul", "aug", "sep", "oct", "nov", "dec"};

bool IsDelimiter(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u == 0x09 || (u >= 0x20 && u <= 0x2F) || (u >= 0x3B && u <= 0x40) ||
           (u >= 0x5B && u <= 0x60) || (u >= 0x7B && u <= 0x7E);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads 1 to `maxDigits` digits at the front of `token` that are not followed by another
// digit; the count read, 0 when they are not there.
std::size_t ReadNumber(std::string_view token, std::size_t minDigits, std::size_t maxDigits,
                       int& value) {
    std::size_t count = 0;
    value = 0;
    while (count < token.size() && IsDigit(token[count])) {
        if (count == maxDigits) {
            return 0;
        }
        value = value * 10 + (token[count] - '0');
        ++count;
    }
    return count >= minDigits ? count : 0;
}

struct TimeOfDay {
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
};

std::optional<TimeOfDay> ReadTime(std::string_view token) {
    TimeOfDay time;
    int* const parts[] = {&time.Hour, &time.Minute, &time.Second};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t used = ReadNumber(token, 1, 2, *parts[i]);
        if (used == 0) {
            return std::nullopt;
        }
        token.remove_prefix(used);
        if (i < 2) {
            if (!token.starts_with(':')) {
                return std::nullopt;
            }
            token.remove_prefix(1);
        }
    }
    return time;
}

std::optional<int> MonthOf(std::string_view token) {
    if (token.size() < 3) {
        return std::nullopt;
    }
    const std::string prefix = ToLowerAscii(token.substr(0, 3));
    for (std::size_t i = 0; i < kMonths.size(); ++i) {
        if (prefix == kMonths[i]) {
            return static_cast<int>(i) + 1;
        }
    }
    return std::nullopt;
}

// Days from 1970-01-01 to the civil date (proleptic Gregorian calendar).
std::int64_t DaysFromCivil(int year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

int DaysInMonth(int year, int month) {
    constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

} // namespace

std::optional<std::int64_t> ParseCookieDate(std::string_view text) {
    std::optional<TimeOfDay> time;
    std::optional<int> day;
    std::optional<int> month;
    std::optional<int> year;
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && IsDelimiter(text[pos])) {
            ++pos;
        }
        const std::size_t start = pos;
        while (pos < text.size() && !IsDelimiter(text[pos])) {
            ++pos;
        }
        const std::string_view token = text.substr(start, pos - start);
        int value = 0;
        if (token.empty()) {
            continue;
        }
        if (!time && (time = ReadTime(token))) {
            continue;
        }
        if (!day && ReadNumber(token, 1, 2, value) > 0) {
            day = value;
        } else if (!month && (month = MonthOf(token))) {
            continue;
        } else if (!year && ReadNumber(token, 2, 4, value) > 0) {
            year = value;
        }
    }
    if (!time || !day || !month || !year) {
        return std::nullopt;
    }
    int fullYear = *year;
    if (fullYear >= 70 && fullYear <= 99) {
        fullYear += 1900;
    } else if (fullYear <= 69) {
        fullYear += 2000;
    }
    if (*day < 1 || fullYear < 1601 || time->Hour > 23 || time->Minute > 59 || time->Second > 59 ||
        *day > DaysInMonth(fullYear, *month)) {
        return std::nullopt;
    }
    const int secondsOfDay = time->Hour * 3600 + time->Minute * 60 + time->Second;
    return DaysFromCivil(fullYear, *month, *day) * 86400 + secondsOfDay;
}

} // namespace velnorix
