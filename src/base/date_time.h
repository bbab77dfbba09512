#pragma once

#include <cstdint>
#include <string>

namespace velnorix {

// A local calendar date and time of day, as the clock reports it.
struct LocalDateTime {
    int Year = 1899;
    int Month = 12; // 1..12
    int Day = 30;   // 1..31
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;

    friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

// Day count since 30 December 1899, the fraction being the time of day. Run start times and
// elapsed spans are kept on this scale.
double ToDayCount(const LocalDateTime& t);
LocalDateTime FromDayCount(double days);

// A Unix time (seconds since 1970) in UTC as ISO 8601: 2026-12-06T14:03:27Z.
std::string UtcTimestamp(std::int64_t secondsSinceEpoch);

// "yymmddhhnnss": the twelve digits that name a run's log files.
std::string FormatRunStamp(const LocalDateTime& t);

// A span in days as hours (not wrapped at 24), two-digit minutes and two-digit seconds:
// "0:00:07", "27:00:00". Hours wrap past 65,535 as a 16-bit count does. A negative span
// (the clock set back during a run) is shown as its size with a leading minus: "-0:01:05".
std::string FormatElapsed(double span);

} // namespace velnorix
