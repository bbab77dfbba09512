#include "base/date_time.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace velnorix {
namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0));
}

const std::int64_t kEpochOffset = DaysFromCivil(1899, 12, 30);

std::string TwoDigits(int value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", value % 100);
    return buffer;
}

} // namespace

double ToDayCount(const LocalDateTime& t) {
    const std::int64_t days =
        DaysFromCivil(t.Year, static_cast<unsigned>(t.Month), static_cast<unsigned>(t.Day)) -
        kEpochOffset;
    const std::int64_t ms =
        ((static_cast<std::int64_t>(t.Hour) * 60 + t.Minute) * 60 + t.Second) * 1000 +
        t.Millisecond;
    return static_cast<double>(days) + static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

std::string UtcTimestamp(std::int64_t secondsSinceEpoch) {
    const auto seconds = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

LocalDateTime FromDayCount(double days) {
    const auto totalMs = static_cast<std::int64_t>(std::llround(days * kMsPerDay));
    std::int64_t wholeDays = totalMs / kMsPerDay;
    std::int64_t ms = totalMs % kMsPerDay;
    if (ms < 0) {
        ms += kMsPerDay;
        --wholeDays;
    }
    LocalDateTime t;
    CivilFromDays(wholeDays + kEpochOffset, t.Year, t.Month, t.Day);
    t.Hour = static_cast<int>(ms / 3'600'000);
    t.Minute = static_cast<int>(ms / 60'000 % 60);
    t.Second = static_cast<int>(ms / 1000 % 60);
    t.Millisecond = static_cast<int>(ms % 1000);
    return t;
}

std::string FormatRunStamp(const LocalDateTime& t) {
    return TwoDigits(t.Year) + TwoDigits(t.Month) + TwoDigits(t.Day) + TwoDigits(t.Hour) +
           TwoDigits(t.Minute) + TwoDigits(t.Second);
}

std::string FormatElapsed(double span) {
    if (span < 0)
        return "-" + FormatElapsed(-span);
    const double wholeDays = std::trunc(span);
    const auto msOfDay = std::llround(span * kMsPerDay) % kMsPerDay;
    const auto hours =
        static_cast<std::uint16_t>(static_cast<std::int64_t>(wholeDays) * 24 + msOfDay / 3'600'000);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%u:%02d:%02d", static_cast<unsigned>(hours),
                  static_cast<int>(msOfDay / 60'000 % 60), static_cast<int>(msOfDay / 1000 % 60));
    return buffer;
}

} // namespace velnorix
