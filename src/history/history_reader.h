#pragma once

#include <SQLiteCpp/Database.h>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace velnorix {

// Probes and failures over some span.
struct ProbeCounts {
    std::int64_t Attempts = 0;
    std::int64_t Failures = 0;

    // The share of probes that succeeded, 0 to 1; nothing without a probe.
    [[nodiscard]] std::optional<double> Uptime() const;
    ProbeCounts& operator+=(const ProbeCounts& more) {
        Attempts += more.Attempts;
        Failures += more.Failures;
        return *this;
    }
    friend bool operator==(const ProbeCounts&, const ProbeCounts&) = default;
};

// The three spans uptime is shown over: the current hour and the 23 before it, and today (UTC)
// with the 6 or the 29 days before it.
enum class UptimeWindow { Day, Week, Month };
inline constexpr std::array kUptimeWindows = {UptimeWindow::Day, UptimeWindow::Week,
                                              UptimeWindow::Month};
// "24h", "7d", "30d".
std::string_view UptimeWindowName(UptimeWindow window);

using UptimeCounts = std::array<ProbeCounts, kUptimeWindows.size()>;

// Every target's counts over the three windows at `now`, by history key; a target without a
// probe in the last 30 days is missing. Reads the hourly and daily figures only, so its cost
// is that of 24 + 30 rows a target.
std::unordered_map<std::string, UptimeCounts> ReadUptimes(SQLite::Database& db, std::int64_t now);

// One hour's figures of one target.
struct HourFigures {
    std::int64_t Hour = 0; // hours since 1970, UTC
    ProbeCounts Counts;
    // Of the successes; nothing in an hour without one, and a percentile nothing until the hour
    // has ended.
    std::optional<std::int64_t> LowMs;
    std::optional<double> MeanMs;
    std::optional<std::int64_t> HighMs;
    std::optional<std::int64_t> P95Ms;
};

// The hours of the target with this key from `fromHour` up to but not including `toHour`,
// oldest first; hours without a probe are missing.
std::vector<HourFigures> ReadHours(SQLite::Database& db, std::string_view key,
                                   std::int64_t fromHour, std::int64_t toHour);

} // namespace velnorix
